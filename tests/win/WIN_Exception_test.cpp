#include "win/WIN_Exception.h"

#include <gtest/gtest.h>

#include <string>

#include "pal/PAL_Error.h"

namespace {

TEST(ErrorCodeText, PrefixCodeAndLineBreak) {
    const std::string text = win::ErrorCodeText(5);
    EXPECT_EQ(text.rfind("Windows Error Code: 5\n", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("Windows Error Code: 5\n").size());
    EXPECT_EQ(text.substr(22), win::SystemMessageText(5, 1033));
}

TEST(ErrorCodeText, NothingAfterTheLineBreakWithoutSystemText) {
    EXPECT_EQ(win::ErrorCodeText(0xDEADBEEFu), "Windows Error Code: 3735928559\n");
    EXPECT_EQ(win::SystemMessageText(0xDEADBEEFu, 1033), "");
}

TEST(ErrorCodeText, LeavesTheLastErrorAlone) {
    pal::SetLastError(32);
    (void)win::ErrorCodeText(0xDEADBEEFu);
    EXPECT_EQ(pal::GetLastError(), 32u);
}

TEST(WinError, TakesTheLastErrorAtConstruction) {
    pal::SetLastError(5);
    const win::Error_t error("WIN_Test", 7);
    EXPECT_EQ(error.code, 5u);
    EXPECT_EQ(error.subId, "5");
    EXPECT_EQ(error.message, win::ErrorCodeText(5));
    EXPECT_EQ(error.SourceLine(), 7);
    EXPECT_EQ(pal::GetLastError(), 5u);
    EXPECT_TRUE(error.stackTrace.empty());
}

TEST(WinError, DerivedTexts) {
    pal::SetLastError(2);
    const win::FileError_t fileError("WIN_Test", 1, "/tmp/x.log");
    EXPECT_EQ(fileError.message, win::ErrorCodeText(2) + "Path: /tmp/x.log");
    EXPECT_EQ(fileError.subId, "2");

    const win::RegError_t regError("WIN_Test", 2, "Comment", 259);
    EXPECT_EQ(regError.message, win::ErrorCodeText(259) + "; Reg name: Comment");
    EXPECT_EQ(regError.code, 259u);
    EXPECT_EQ(regError.subId, "259");

    pal::SetLastError(5);
    const win::MappedFileError_t mapped("WIN_Test", 3);
    EXPECT_EQ(mapped.message, win::ErrorCodeText(5));

    const win::NoCodePageSpecified_t noCodePage("WIN_Test", 4);
    EXPECT_EQ(noCodePage.message, "");
    EXPECT_EQ(noCodePage.subId, "");
}

}  // namespace
