#include "win/WIN_Locale.h"

#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "glo/GLO_Exception.h"
#include "pal/PAL_Locale.h"
#include "win/WIN_Exception.h"

namespace win {
namespace {

std::string ReadLocaleText(pal::LCID locale, pal::LCTYPE type) {
    const int length = pal::GetLocaleInfoA(locale, type, nullptr, 0);
    if (length == 0) {
        throw Error_t(__FILE__, 122);
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    const int stored = pal::GetLocaleInfoA(locale, type, text.data(), length);
    if (stored == 0) {
        throw Error_t(__FILE__, 130);
    }
    text.resize(static_cast<std::size_t>(stored - 1));
    return text;
}

SystemLocaleInfo_t ReadSystemLocaleInfo() {
    const pal::LCID locale = pal::GetSystemDefaultLCID();
    SystemLocaleInfo_t info;
    const std::string codePage = ReadLocaleText(locale, pal::LOCALE_IDEFAULTANSICODEPAGE);
    const auto [end, error] =
        std::from_chars(codePage.data(), codePage.data() + codePage.size(), info.ansiCodePage);
    glo::Check(error == std::errc() && end == codePage.data() + codePage.size(), __FILE__, 35);
    info.languageAbbreviation = ReadLocaleText(locale, pal::LOCALE_SABBREVLANGNAME);
    info.countryAbbreviation = ReadLocaleText(locale, pal::LOCALE_SABBREVCTRYNAME);
    return info;
}

// The part of a composite name ("LC_CTYPE=...;LC_NUMERIC=...") that
// decides the character set.
std::string CharacterSetName(const std::string& name) {
    const std::string key = "LC_CTYPE=";
    const std::size_t at = name.find(key);
    if (at == std::string::npos) {
        return name;
    }
    const std::size_t begin = at + key.size();
    return name.substr(begin, name.find(';', begin) - begin);
}

}  // namespace

int CodePageOfName(const std::string& fullName) {
    const std::string name = CharacterSetName(fullName);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        if (name == "C" || name == "POSIX") {
            return 1252;
        }
        throw NoCodePageSpecified_t(__FILE__, 229);
    }
    std::string codeset = name.substr(dot + 1);
    codeset = codeset.substr(0, codeset.find('@'));
    const pal::UINT codePage = pal::CodePageOfCodeset(codeset);
    if (codePage == 0) {
        throw NoCodePageSpecified_t(__FILE__, 229);
    }
    return static_cast<int>(codePage);
}

const SystemLocaleInfo_t& SystemLocaleInfo() {
    static std::mutex mutex;
    static std::unique_ptr<const SystemLocaleInfo_t> info;
    const std::lock_guard lock(mutex);
    if (!info) {
        info = std::make_unique<const SystemLocaleInfo_t>(ReadSystemLocaleInfo());
    }
    return *info;
}

const std::locale& ProgramLocale() {
    static std::mutex mutex;
    static std::unique_ptr<const std::locale> locale;
    const std::lock_guard lock(mutex);
    if (!locale) {
        SystemLocaleInfo();
        const std::string name = pal::SystemLocaleName();
        try {
            locale = std::make_unique<const std::locale>(name);
        } catch (const std::runtime_error&) {
            throw glo::LocaleDoesNotExist_t(__FILE__, __LINE__, name);
        }
    }
    return *locale;
}

int CodePageOf(const std::locale& locale) {
    static std::mutex mutex;
    static std::map<std::string, int> known;
    const std::string name = locale.name();
    const std::lock_guard lock(mutex);
    const auto it = known.find(name);
    if (it != known.end()) {
        return it->second;
    }
    const int codePage = CodePageOfName(name);
    known.emplace(name, codePage);
    return codePage;
}

bool IsMultiByteCodePage(unsigned codePage) {
    pal::CPINFO info{};
    if (!pal::GetCPInfo(codePage, &info)) {
        throw Error_t(__FILE__, 173);
    }
    return info.MaxCharSize != 1 && info.LeadByte[0] != 0 && info.LeadByte[1] != 0;
}

}  // namespace win
