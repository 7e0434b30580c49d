// This program (2.1.0.0) names a resource module of version 2.1.0.1.
#include <gtest/gtest.h>

#include "win/WIN_Exception.h"
#include "win/WIN_FileMetaData.h"
#include "win/WIN_ResourceString.h"
#include "win/WIN_Utilities.h"

namespace {

void ExpectRefusedAt758() {
    try {
        win::ResourceModule();
        FAIL() << "the module should be refused";
    } catch (const win::Error_t& e) {
        EXPECT_STREQ(e.SourceFile(), "src/win/WIN_Utilities.cpp");
        EXPECT_EQ(e.SourceLine(), 758);
    }
}

TEST(ModuleMismatchTest, VersionsDifferInTheFourthNumberOnly) {
    const win::FileMetaData_t program(win::ModuleFileName(win::ModuleHandle()));
    const win::FileMetaData_t module(*win::ResourceModulePath());
    EXPECT_EQ(program.FileVersion(), win::Version_t(2, 1, 0, 0));
    EXPECT_EQ(module.FileVersion(), win::Version_t(2, 1, 0, 1));
}

TEST(ModuleMismatchTest, ModuleIsRefusedAtLine758EveryTime) {
    ExpectRefusedAt758();
    // A refusal is not remembered as a module.
    ExpectRefusedAt758();
}

TEST(ModuleMismatchTest, StringsCannotBeLoaded) {
    EXPECT_THROW(win::ResourceString_t(1, __FILE__, __LINE__), win::Error_t);
}

}  // namespace
