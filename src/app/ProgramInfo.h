// Facts about the program itself: read once from its own version block,
// plus the build date, time and origin fixed when it was built.
#pragma once

#include <string>

#include "glo/GLO_Optional.h"
#include "win/WIN_Version.h"

namespace app {

class ProgramInfo_t {
public:
    struct Fields_t {
        std::string productName;
        win::Version_t fileVersion;
        std::string partNumber;
        std::string betaContact;
        std::string buildDate;  // "Mmm dd yyyy", as the compiler writes it
        std::string buildTime;  // "hh:mm:ss"
        std::string buildOrigin;
        std::string windowClassName;
        std::string buildType;  // "Release", "Beta", "Alpha", "Internal"
        std::string legalCopyright;
    };

    // The record of the running program, built on the first successful call
    // (a failure throws and the next call tries again). Built on the
    // user-interface thread at start-up; read-only afterwards.
    static const ProgramInfo_t& Get();

    explicit ProgramInfo_t(Fields_t fields);

    bool IsRelease() const;
    // "2.1.0" for a release; "2.1.0.0 Beta" for other build types.
    std::string VersionText() const;
    // Build date and time, for "Internal" and "Alpha" builds only.
    glo::Optional_t<std::string> BuildDateText() const;
    // "(origin)", for "Internal" builds only.
    glo::Optional_t<std::string> BuildOriginText() const;

    const std::string& ProductName() const { return fields_.productName; }
    const win::Version_t& FileVersion() const { return fields_.fileVersion; }
    const std::string& PartNumber() const { return fields_.partNumber; }
    const std::string& BetaContact() const { return fields_.betaContact; }
    const std::string& BuildDate() const { return fields_.buildDate; }
    const std::string& BuildTime() const { return fields_.buildTime; }
    const std::string& BuildOrigin() const { return fields_.buildOrigin; }
    const std::string& WindowClassName() const { return fields_.windowClassName; }
    const std::string& BuildType() const { return fields_.buildType; }
    const std::string& LegalCopyright() const { return fields_.legalCopyright; }

private:
    Fields_t fields_;
};

}  // namespace app
