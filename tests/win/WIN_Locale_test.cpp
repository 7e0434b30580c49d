#include "win/WIN_Locale.h"

#include <gtest/gtest.h>

#include <locale>

#include "pal/PAL_Locale.h"
#include "win/WIN_Exception.h"

namespace {

struct NameCase {
    const char* name;
    int codePage;  // 0: NoCodePageSpecified_t
};

TEST(CodePageTest, FromTheLocaleName) {
    const NameCase cases[] = {
        {"English_United States.1252", 1252},
        {"C", 1252},
        {"de_DE.UTF-8", 65001},
        {"en_GB.ISO-8859-15@euro", 28605},
        {"a.b.932", 932},
        {"LC_CTYPE=fr_FR.ISO-8859-1;LC_NUMERIC=C", 28591},
        {"English_United States", 0},
        {"*", 0},
        {"", 0},
        {"de_DE.NOSUCH", 0},
    };
    for (const NameCase& c : cases) {
        if (c.codePage == 0) {
            try {
                win::CodePageOfName(c.name);
                ADD_FAILURE() << c.name;
            } catch (const win::NoCodePageSpecified_t& e) {
                EXPECT_EQ(e.SourceLine(), 229) << c.name;
            }
        } else {
            EXPECT_EQ(win::CodePageOfName(c.name), c.codePage) << c.name;
        }
    }
}

TEST(CodePageTest, OfLocaleObjects) {
    EXPECT_EQ(win::CodePageOf(std::locale::classic()), 1252);
    EXPECT_EQ(win::CodePageOf(std::locale("C.UTF-8")), 65001);
    // A combined locale has no name the system can read a code page from.
    const std::locale combined(std::locale::classic(), new std::numpunct<char>);
    EXPECT_THROW(win::CodePageOf(combined), win::NoCodePageSpecified_t);
}

TEST(CodePageTest, MultiByteCodePages) {
    EXPECT_FALSE(win::IsMultiByteCodePage(1252));
    EXPECT_FALSE(win::IsMultiByteCodePage(28591));
    EXPECT_TRUE(win::IsMultiByteCodePage(932));
    EXPECT_TRUE(win::IsMultiByteCodePage(65001));
    try {
        win::IsMultiByteCodePage(12345);
        FAIL();
    } catch (const win::Error_t& e) {
        EXPECT_EQ(e.SourceLine(), 173);
    }
}

TEST(SystemLocaleTest, RecordAndProgramLocaleFollowTheEnvironment) {
    const win::SystemLocaleInfo_t& info = win::SystemLocaleInfo();
    EXPECT_EQ(info.ansiCodePage, static_cast<int>(pal::GetACP()));
    EXPECT_EQ(info.languageAbbreviation.size(), 3u);
    EXPECT_FALSE(info.countryAbbreviation.empty());
    EXPECT_EQ(&win::SystemLocaleInfo(), &info);  // read once
    EXPECT_EQ(win::ProgramLocale().name(), std::locale(pal::SystemLocaleName()).name());
}

}  // namespace
