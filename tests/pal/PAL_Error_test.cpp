#include <string>

#include "PalTestSupport.h"

using namespace pal;

namespace {

constexpr DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string SystemText(DWORD code, DWORD language = LANG_ENGLISH_US) {
    char buffer[512];
    const DWORD length =
        FormatMessageA(kFlags, nullptr, code, language, buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
}

struct TextCase {
    DWORD code;
    const char* text;
};

class SystemTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(SystemTextTest, IsTheSystemsWording) {
    EXPECT_EQ(SystemText(GetParam().code), std::string(GetParam().text) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SystemTextTest,
    ::testing::Values(TextCase{0, "The operation completed successfully."},
                      TextCase{2, "The system cannot find the file specified."},
                      TextCase{5, "Access is denied."}, TextCase{6, "The handle is invalid."},
                      TextCase{87, "The parameter is incorrect."},
                      TextCase{183, "Cannot create a file when that file already exists."},
                      TextCase{193, "%1 is not a valid Win32 application."},
                      TextCase{288, "Attempt to release mutex not owned by caller."},
                      TextCase{995,
                               "The I/O operation has been aborted because of either a thread "
                               "exit or an application request."},
                      TextCase{997, "Overlapped I/O operation is in progress."},
                      TextCase{1400, "Invalid window handle."}),
    [](const auto& testInfo) { return "Code" + std::to_string(testInfo.param.code); });

TEST(FormatMessageTest, EveryKnownCodeHasAText) {
    const DWORD codes[] = {0,    1,    2,    3,    4,    5,    6,    8,    13,   14,   20,   21,
                           22,   23,   24,   29,   30,   31,   32,   33,   38,   50,   55,   80,
                           87,   109,  112,  120,  121,  122,  123,  126,  127,  131,  145,  170,
                           183,  193,  206,  234,  258,  259,  267,  288,  317,  995,  996,  997,
                           998,  1004, 1011, 1012, 1013, 1015, 1016, 1018, 1060, 1113, 1167, 1168,
                           1400, 1410, 1411, 1460, 1784, 1812, 1813, 1814, 1815};
    for (DWORD code : codes) {
        const std::string text = SystemText(code);
        ASSERT_GT(text.size(), 3u) << code;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << code;
        EXPECT_EQ(text.find('\n'), text.size() - 1) << code;
    }
}

TEST(FormatMessageTest, NeutralAndEnglishLanguagesFindTheText) {
    for (DWORD language : {0x0000u, 0x0400u, 0x0409u, 0x0809u}) {
        EXPECT_EQ(SystemText(5, language), "Access is denied.\r\n") << language;
    }
}

TEST(FormatMessageTest, FailuresReturnZeroAndSetTheError) {
    char small[8];
    char large[300];
    struct Case {
        DWORD flags, code, language;
        char* buffer;
        DWORD size, error;
    };
    const Case cases[] = {
        {kFlags, 0x12345, LANG_ENGLISH_US, large, sizeof large, ERROR_MR_MID_NOT_FOUND},
        {kFlags, 5, LANG_ENGLISH_US, small, sizeof small, ERROR_INSUFFICIENT_BUFFER},
        // "Access is denied.\r\n" is 19 characters; the NUL needs a 20th.
        {kFlags, 5, LANG_ENGLISH_US, large, 19, ERROR_INSUFFICIENT_BUFFER},
        {kFlags, 5, 0x0407, large, sizeof large, ERROR_RESOURCE_LANG_NOT_FOUND},
        {FORMAT_MESSAGE_IGNORE_INSERTS, 5, LANG_ENGLISH_US, large, sizeof large,
         ERROR_INVALID_PARAMETER},
        {kFlags | 0x100, 5, LANG_ENGLISH_US, large, sizeof large, ERROR_INVALID_PARAMETER},
        {FORMAT_MESSAGE_FROM_SYSTEM, 193, LANG_ENGLISH_US, large, sizeof large,
         ERROR_INVALID_PARAMETER},
        {kFlags, 5, LANG_ENGLISH_US, nullptr, 100, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(FormatMessageA(c.flags, nullptr, c.code, c.language, c.buffer, c.size, nullptr),
                  0u)
            << c.code << " " << c.size;
        EXPECT_EQ(GetLastError(), c.error) << c.code << " " << c.size;
    }
}

TEST(FormatMessageTest, ExactFitIsAccepted) {
    char buffer[20];
    EXPECT_EQ(FormatMessageA(kFlags, nullptr, 5, LANG_ENGLISH_US, buffer, 20, nullptr), 19u);
    EXPECT_STREQ(buffer, "Access is denied.\r\n");
}

TEST(FormatMessageTest, TextsWithoutInsertsNeedNoIgnoreFlag) {
    char buffer[100];
    EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 6, 0, buffer, 100, nullptr), 0u);
}

}  // namespace
