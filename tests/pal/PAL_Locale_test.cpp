#include "pal/PAL_Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "pal/PAL_Error.h"

namespace {

using namespace pal;

// Sets LC_ALL and LANG for one test and restores them afterwards.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* lcAll, const char* lang) {
        Save("LC_ALL", savedAll_, hadAll_);
        Save("LANG", savedLang_, hadLang_);
        Set("LC_ALL", lcAll);
        Set("LANG", lang);
    }
    ~LocaleEnvironment() {
        Set("LC_ALL", hadAll_ ? savedAll_.c_str() : nullptr);
        Set("LANG", hadLang_ ? savedLang_.c_str() : nullptr);
    }

private:
    static void Save(const char* name, std::string& value, bool& had) {
        const char* v = std::getenv(name);
        had = v != nullptr;
        value = had ? v : "";
    }
    static void Set(const char* name, const char* value) {
        if (value == nullptr) {
            ::unsetenv(name);
        } else {
            ::setenv(name, value, 1);
        }
    }
    std::string savedAll_, savedLang_;
    bool hadAll_ = false, hadLang_ = false;
};

std::string Text(LCTYPE type) {
    const int size = GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, type, nullptr, 0);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, type, text.data(), size) != size) {
        return "<failed>";
    }
    text.resize(static_cast<std::size_t>(size - 1));
    return text;
}

struct LocaleCase {
    const char* lcAll;
    const char* lang;
    const char* language;
    const char* country;
    const char* codePage;
    LCID lcid;
};

class SystemLocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(SystemLocaleTest, DerivedFromTheEnvironment) {
    const LocaleCase& c = GetParam();
    const LocaleEnvironment environment(c.lcAll, c.lang);
    EXPECT_EQ(Text(LOCALE_SABBREVLANGNAME), c.language);
    EXPECT_EQ(Text(LOCALE_SABBREVCTRYNAME), c.country);
    EXPECT_EQ(Text(LOCALE_IDEFAULTANSICODEPAGE), c.codePage);
    EXPECT_EQ(GetSystemDefaultLCID(), c.lcid);
    EXPECT_EQ(std::to_string(GetACP()), c.codePage);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SystemLocaleTest,
    ::testing::Values(LocaleCase{nullptr, nullptr, "ENU", "USA", "1252", 0x0409},
                      LocaleCase{nullptr, "C", "ENU", "USA", "1252", 0x0409},
                      LocaleCase{nullptr, "POSIX", "ENU", "USA", "1252", 0x0409},
                      LocaleCase{nullptr, "C.UTF-8", "ENU", "USA", "65001", 0x0409},
                      LocaleCase{nullptr, "en_US.UTF-8", "ENU", "USA", "65001", 0x0409},
                      LocaleCase{nullptr, "en_US.utf8", "ENU", "USA", "65001", 0x0409},
                      LocaleCase{nullptr, "de_DE.ISO-8859-1", "DEU", "DEU", "28591", 0x0407},
                      LocaleCase{nullptr, "en_GB.ISO-8859-15@euro", "ENG", "GBR", "28605", 0x0809},
                      LocaleCase{nullptr, "fr_CA", "FRC", "CAN", "28591", 0x0C0C},
                      LocaleCase{nullptr, "ja_JP.EUC-JP", "JPN", "JPN", "20932", 0x0411},
                      LocaleCase{nullptr, "de", "DEU", "DEU", "28591", 0x0407},
                      LocaleCase{nullptr, "xx_YY.UTF-8", "XXY", "YY", "65001", 0x1000},
                      LocaleCase{nullptr, "de_DE.NOSUCHSET", "DEU", "DEU", "28591", 0x0407},
                      // LC_ALL wins over LANG; an empty LC_ALL does not count.
                      LocaleCase{"fr_FR.UTF-8", "de_DE.UTF-8", "FRA", "FRA", "65001", 0x040C},
                      LocaleCase{"", "de_DE.UTF-8", "DEU", "DEU", "65001", 0x0407}));

TEST(LocaleInfoTest, BufferSizesAndErrors) {
    const LocaleEnvironment environment(nullptr, "en_US.UTF-8");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SABBREVLANGNAME, nullptr, 0), 4);
    char buffer[8];
    EXPECT_EQ(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SABBREVLANGNAME, buffer, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_SABBREVLANGNAME, buffer, 4), 4);
    EXPECT_STREQ(buffer, "ENU");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, 0x9999, buffer, sizeof buffer), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
    EXPECT_EQ(GetLocaleInfoA(0x0407, LOCALE_SABBREVLANGNAME, buffer, sizeof buffer), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

struct CodesetCase {
    const char* codeset;
    UINT codePage;
};

TEST(CodesetTest, NamesMapToCodePages) {
    const CodesetCase cases[] = {
        {"UTF-8", 65001},
        {"utf8", 65001},
        {"ISO-8859-1", 28591},
        {"iso88591", 28591},
        {"ISO-8859-15", 28605},
        {"CP1252", 1252},
        {"windows-1251", 1251},
        {"1252", 1252},
        {"KOI8-R", 20866},
        {"BIG5", 950},
        {"", 0},
        {"NOSUCH", 0},
        {"999999", 0},
        {"0", 0},
    };
    for (const CodesetCase& c : cases) {
        EXPECT_EQ(CodePageOfCodeset(c.codeset), c.codePage) << c.codeset;
    }
}

struct CodePageCase {
    UINT codePage;
    UINT maxCharSize;
    bool leadBytes;
};

TEST(CodePageInfoTest, SingleAndMultiByteCodePages) {
    const CodePageCase cases[] = {
        {1252, 1, false}, {28591, 1, false}, {932, 2, true}, {936, 2, true}, {65001, 4, true}};
    for (const CodePageCase& c : cases) {
        CPINFO info{};
        ASSERT_TRUE(GetCPInfo(c.codePage, &info)) << c.codePage;
        EXPECT_EQ(info.MaxCharSize, c.maxCharSize) << c.codePage;
        EXPECT_EQ(info.LeadByte[0] != 0 && info.LeadByte[1] != 0, c.leadBytes) << c.codePage;
    }
    CPINFO info{};
    EXPECT_FALSE(GetCPInfo(12345, &info));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(GetCPInfo(1252, nullptr));
}

}  // namespace
