#include "app/ProgramInfo.h"

#include <memory>
#include <mutex>
#include <utility>

#include "app/ProgramBuild.h"
#include "win/WIN_FileMetaData.h"
#include "win/WIN_Utilities.h"

namespace app {
namespace {

ProgramInfo_t::Fields_t ReadFields() {
    ProgramInfo_t::Fields_t f;
    f.buildDate = __DATE__;
    f.buildTime = __TIME__;
    f.buildOrigin = QUORVEL_BUILD_ORIGIN;
    const win::FileMetaData_t block(win::ModuleFileName(win::ModuleHandle()));
    f.fileVersion = block.FileVersion();
    f.productName = block.GetString("ProductName");
    f.partNumber = block.GetString("PartNumber");
    f.betaContact = block.GetString("BetaEmail");
    f.windowClassName = block.GetString("ClassNameGuid");
    f.buildType = block.GetString("BuildType");
    f.legalCopyright = block.GetString("LegalCopyright");
    return f;
}

}  // namespace

const ProgramInfo_t& ProgramInfo_t::Get() {
    static std::mutex mutex;
    static std::unique_ptr<const ProgramInfo_t> info;
    const std::lock_guard lock(mutex);
    if (!info) {
        info = std::make_unique<const ProgramInfo_t>(ReadFields());
    }
    return *info;
}

ProgramInfo_t::ProgramInfo_t(Fields_t fields) : fields_(std::move(fields)) {}

bool ProgramInfo_t::IsRelease() const {
    return fields_.buildType == "Release";
}

std::string ProgramInfo_t::VersionText() const {
    const win::Version_t& v = fields_.fileVersion;
    std::string text =
        std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.third);
    if (!IsRelease()) {
        text += "." + std::to_string(v.fourth) + " " + fields_.buildType;
    }
    return text;
}

glo::Optional_t<std::string> ProgramInfo_t::BuildDateText() const {
    if (fields_.buildType != "Internal" && fields_.buildType != "Alpha") {
        return {};
    }
    return fields_.buildDate + " " + fields_.buildTime;
}

glo::Optional_t<std::string> ProgramInfo_t::BuildOriginText() const {
    if (fields_.buildType != "Internal") {
        return {};
    }
    return "(" + fields_.buildOrigin + ")";
}

}  // namespace app
