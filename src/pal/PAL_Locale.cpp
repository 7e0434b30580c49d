#include "pal/PAL_Locale.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pal/PAL_Error.h"

namespace pal {
namespace {

struct KnownLocale_t {
    const char* language;  // ISO 639-1
    const char* country;   // ISO 3166-1 alpha-2
    LCID lcid;
    const char* abbreviatedLanguage;
    const char* abbreviatedCountry;  // ISO 3166-1 alpha-3
};

// The first entry of a language is its default when a name has no country.
constexpr KnownLocale_t kLocales[] = {
    {"en", "US", 0x0409, "ENU", "USA"}, {"en", "GB", 0x0809, "ENG", "GBR"},
    {"en", "AU", 0x0C09, "ENA", "AUS"}, {"en", "CA", 0x1009, "ENC", "CAN"},
    {"en", "NZ", 0x1409, "ENZ", "NZL"}, {"en", "IE", 0x1809, "ENI", "IRL"},
    {"de", "DE", 0x0407, "DEU", "DEU"}, {"de", "AT", 0x0C07, "DEA", "AUT"},
    {"de", "CH", 0x0807, "DES", "CHE"}, {"fr", "FR", 0x040C, "FRA", "FRA"},
    {"fr", "BE", 0x080C, "FRB", "BEL"}, {"fr", "CA", 0x0C0C, "FRC", "CAN"},
    {"fr", "CH", 0x100C, "FRS", "CHE"}, {"it", "IT", 0x0410, "ITA", "ITA"},
    {"es", "ES", 0x0C0A, "ESN", "ESP"}, {"es", "MX", 0x080A, "ESM", "MEX"},
    {"nl", "NL", 0x0413, "NLD", "NLD"}, {"nl", "BE", 0x0813, "NLB", "BEL"},
    {"pt", "BR", 0x0416, "PTB", "BRA"}, {"pt", "PT", 0x0816, "PTG", "PRT"},
    {"sv", "SE", 0x041D, "SVE", "SWE"}, {"da", "DK", 0x0406, "DAN", "DNK"},
    {"nb", "NO", 0x0414, "NOR", "NOR"}, {"fi", "FI", 0x040B, "FIN", "FIN"},
    {"pl", "PL", 0x0415, "PLK", "POL"}, {"cs", "CZ", 0x0405, "CSY", "CZE"},
    {"hu", "HU", 0x040E, "HUN", "HUN"}, {"ru", "RU", 0x0419, "RUS", "RUS"},
    {"tr", "TR", 0x041F, "TRK", "TUR"}, {"el", "GR", 0x0408, "ELL", "GRC"},
    {"ja", "JP", 0x0411, "JPN", "JPN"}, {"ko", "KR", 0x0412, "KOR", "KOR"},
    {"zh", "CN", 0x0804, "CHS", "CHN"}, {"zh", "TW", 0x0404, "CHT", "TWN"},
};

struct Codeset_t {
    const char* name;  // folded: upper case, without "-" and "_"
    UINT codePage;
};

constexpr Codeset_t kCodesets[] = {
    {"UTF8", 65001},     {"ISO885915", 28605}, {"ISO885913", 28603}, {"ISO88591", 28591},
    {"ISO88592", 28592}, {"ISO88593", 28593},  {"ISO88594", 28594},  {"ISO88595", 28595},
    {"ISO88596", 28596}, {"ISO88597", 28597},  {"ISO88598", 28598},  {"ISO88599", 28599},
    {"KOI8R", 20866},    {"KOI8U", 21866},     {"EUCJP", 20932},     {"SJIS", 932},
    {"SHIFTJIS", 932},   {"GB2312", 936},      {"GBK", 936},         {"EUCCN", 936},
    {"GB18030", 54936},  {"BIG5", 950},        {"EUCKR", 949},       {"ANSIX3.41968", 20127},
    {"ASCII", 20127},    {"USASCII", 20127},
};

struct LeadBytes_t {
    UINT codePage;
    UINT maxCharSize;
    BYTE leadBytes[4];
};

// Double-byte code pages and their lead-byte ranges. UTF-8 is given its lead
// bytes as well, so that it counts as the multi-byte code page it is.
constexpr LeadBytes_t kMultiByte[] = {
    {932, 2, {0x81, 0x9F, 0xE0, 0xFC}},   {936, 2, {0x81, 0xFE, 0, 0}},
    {949, 2, {0x81, 0xFE, 0, 0}},         {950, 2, {0x81, 0xFE, 0, 0}},
    {20932, 2, {0x8E, 0x8E, 0xA1, 0xFE}}, {54936, 4, {0x81, 0xFE, 0, 0}},
    {65001, 4, {0xC2, 0xF4, 0, 0}},
};

constexpr UINT kSingleByte[] = {437,   850,   1250,  1251,  1252,  1253,  1254,  1255,  1256,
                                1257,  1258,  20127, 20866, 21866, 28591, 28592, 28593, 28594,
                                28595, 28596, 28597, 28598, 28599, 28603, 28605};

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string Upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

// language_COUNTRY.codeset@modifier, every part but the first optional.
struct LocaleName_t {
    std::string language;
    std::string country;
    std::string codeset;
    bool portable = false;  // "C" or "POSIX"
};

LocaleName_t Split(std::string name) {
    LocaleName_t out;
    name = name.substr(0, name.find('@'));
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        out.codeset = name.substr(dot + 1);
        name.resize(dot);
    }
    const std::size_t underscore = name.find('_');
    out.language = name.substr(0, underscore);
    if (underscore != std::string::npos) {
        out.country = name.substr(underscore + 1);
    }
    out.portable = out.language == "C" || out.language == "POSIX" || out.language.empty();
    return out;
}

struct Resolved_t {
    LCID lcid;
    std::string abbreviatedLanguage;
    std::string abbreviatedCountry;
    UINT codePage;
};

UINT CodePageOf(const LocaleName_t& name) {
    if (!name.codeset.empty()) {
        const UINT codePage = CodePageOfCodeset(name.codeset);
        if (codePage != 0) {
            return codePage;
        }
    }
    // Without a known codeset: C and POSIX read as the Western code page,
    // other names as glibc's default for a name without codeset.
    return name.portable ? 1252 : 28591;
}

Resolved_t Resolve() {
    const LocaleName_t name = Split(SystemLocaleName());
    const UINT codePage = CodePageOf(name);
    if (name.portable) {
        return {0x0409, "ENU", "USA", codePage};
    }
    const std::string country = Upper(name.country);
    const KnownLocale_t* languageDefault = nullptr;
    for (const KnownLocale_t& known : kLocales) {
        if (name.language != known.language) {
            continue;
        }
        if (languageDefault == nullptr) {
            languageDefault = &known;
        }
        if (country == known.country) {
            return {known.lcid, known.abbreviatedLanguage, known.abbreviatedCountry, codePage};
        }
    }
    if (languageDefault != nullptr && country.empty()) {
        return {languageDefault->lcid, languageDefault->abbreviatedLanguage,
                languageDefault->abbreviatedCountry, codePage};
    }
    // Unknown pairs: the language in capitals and the country's first letter,
    // the country as given.
    std::string language = Upper(name.language).substr(0, 2);
    language += country.empty() ? std::string(1, language.empty() ? 'X' : language[0])
                                : country.substr(0, 1);
    return {LOCALE_CUSTOM_UNSPECIFIED, language, country.empty() ? "ZZZ" : country, codePage};
}

int CopyText(const std::string& text, char* buffer, int size) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) {
        return needed;
    }
    if (buffer == nullptr || size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return needed;
}

}  // namespace

std::string SystemLocaleName() {
    std::string name = Env("LC_ALL");
    if (name.empty()) {
        name = Env("LANG");
    }
    return name.empty() ? std::string("C") : name;
}

UINT CodePageOfCodeset(std::string_view codeset) {
    std::string folded;
    for (char c : codeset) {
        if (c != '-' && c != '_') {
            folded += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    if (!folded.empty() && folded.size() <= 5 &&
        std::all_of(folded.begin(), folded.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long value = std::strtol(folded.c_str(), nullptr, 10);
        return value > 0 && value <= 65535 ? static_cast<UINT>(value) : 0;
    }
    if (folded.rfind("CP", 0) == 0 && folded.size() > 2) {
        return CodePageOfCodeset(folded.substr(2));
    }
    if (folded.rfind("WINDOWS", 0) == 0 && folded.size() > 7) {
        return CodePageOfCodeset(folded.substr(7));
    }
    for (const Codeset_t& known : kCodesets) {
        if (folded == known.name) {
            return known.codePage;
        }
    }
    return 0;
}

LCID GetSystemDefaultLCID() {
    return Resolve().lcid;
}

UINT GetACP() {
    return Resolve().codePage;
}

int GetLocaleInfoA(LCID locale, LCTYPE type, char* buffer, int size) {
    const Resolved_t resolved = Resolve();
    if (locale != LOCALE_SYSTEM_DEFAULT && locale != LOCALE_USER_DEFAULT &&
        locale != resolved.lcid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    switch (type) {
        case LOCALE_SABBREVLANGNAME:
            return CopyText(resolved.abbreviatedLanguage, buffer, size);
        case LOCALE_SABBREVCTRYNAME:
            return CopyText(resolved.abbreviatedCountry, buffer, size);
        case LOCALE_IDEFAULTANSICODEPAGE:
            return CopyText(std::to_string(resolved.codePage), buffer, size);
        default:
            SetLastError(ERROR_INVALID_FLAGS);
            return 0;
    }
}

BOOL GetCPInfo(UINT codePage, CPINFO* info) {
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (codePage == CP_ACP) {
        codePage = GetACP();
    }
    *info = CPINFO{};
    info->DefaultChar[0] = '?';
    for (const LeadBytes_t& known : kMultiByte) {
        if (known.codePage == codePage) {
            info->MaxCharSize = known.maxCharSize;
            std::copy(std::begin(known.leadBytes), std::end(known.leadBytes), info->LeadByte);
            return TRUE;
        }
    }
    if (std::find(std::begin(kSingleByte), std::end(kSingleByte), codePage) !=
        std::end(kSingleByte)) {
        info->MaxCharSize = 1;
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

}  // namespace pal
