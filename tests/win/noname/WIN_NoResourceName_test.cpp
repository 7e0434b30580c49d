// This program's version block has no "ResourceFilename".
#include <gtest/gtest.h>

#include "win/WIN_Exception.h"
#include "win/WIN_FileMetaData.h"
#include "win/WIN_Utilities.h"

namespace {

TEST(NoResourceNameTest, LanguageFallsBackToUsEnglish) {
    EXPECT_FALSE(win::ResourceFileName().HasValue());
    EXPECT_FALSE(win::ResourceModulePath().HasValue());
    EXPECT_EQ(win::ResourceLanguage(), 0x409);
}

TEST(NoResourceNameTest, ResourceModuleFailsAtLine752) {
    try {
        win::ResourceModule();
        FAIL() << "no resource module expected";
    } catch (const win::Error_t& e) {
        EXPECT_STREQ(e.SourceFile(), "src/win/WIN_Utilities.cpp");
        EXPECT_EQ(e.SourceLine(), 752);
    }
}

TEST(NoResourceNameTest, OtherValuesAreStillThere) {
    const win::FileMetaData_t own(win::ModuleFileName(win::ModuleHandle()));
    EXPECT_EQ(own.GetString("ProductName"), "Quorvel");
    EXPECT_THROW(own.GetString("ResourceFilename"), win::Error_t);
}

}  // namespace
