// The system locale record, the program-wide locale object made from it,
// and code pages.
#pragma once

#include <cstdint>
#include <locale>
#include <string>

namespace win {

struct SystemLocaleInfo_t {
    std::string languageAbbreviation;  // such as ENU
    std::string countryAbbreviation;   // such as USA
    std::int32_t ansiCodePage = 0;
};

// Read once from the system default locale.
const SystemLocaleInfo_t& SystemLocaleInfo();
// The locale that every part of the program compares and formats text by,
// made once from the system locale (the environment's locale name, whose
// narrow text is UTF-8 in the usual case). glo::LocaleDoesNotExist_t when
// the system does not have that locale.
const std::locale& ProgramLocale();
// The code page a locale's name states: the number (or codeset) after its
// last "."; "C" (and "POSIX") give 1252. win::NoCodePageSpecified_t (229)
// otherwise. Remembered per locale name.
int CodePageOf(const std::locale& locale);
// The same for a locale name ("English_United States.1252", "de_DE.UTF-8").
int CodePageOfName(const std::string& name);
// True for a code page whose characters may take more than one byte.
bool IsMultiByteCodePage(unsigned codePage);

}  // namespace win
