#include "win/WIN_FileMetaData.h"

#include <gtest/gtest.h>

#include <fstream>

#include "pal/PAL_Error.h"
#include "support/TestRoot.h"
#include "win/WIN_Exception.h"
#include "win/WIN_Utilities.h"

namespace {

win::FileMetaData_t Own() {
    return win::FileMetaData_t(win::ModuleFileName(win::ModuleHandle()));
}

TEST(FileMetaDataTest, OwnBlockHasTheProgramsVersionAndStrings) {
    const win::FileMetaData_t own = Own();
    EXPECT_EQ(own.FileVersion(), win::Version_t(2, 1, 0, 0));
    EXPECT_EQ(own.FileVersion().Text(), "2.1.0.0");
    EXPECT_EQ(own.Translation(), 0x04e40409u);
    EXPECT_EQ(own.GetString("ProductName"), "Quorvel");
    EXPECT_EQ(own.GetString("FileVersion"), "2.1.0.0");
    EXPECT_EQ(own.GetString("ClassNameGuid"), "{F3C4A02E-944C-483a-A32C-3F398B15A3C6}");
    EXPECT_FALSE(own.Block().empty());
    EXPECT_EQ(own.Path(), win::ModuleFileName(win::ModuleHandle()));
}

TEST(FileMetaDataTest, LanguageAndCodePageFormTheBlockName) {
    // 0x0409 and 1252 (0x04e4) query the block 040904e4.
    EXPECT_EQ(win::StringSubBlock(0x04e40409u, "ProductName"),
              "\\StringFileInfo\\040904e4\\ProductName");
    EXPECT_EQ(win::StringSubBlock(0x04b00409u, "X"), "\\StringFileInfo\\040904b0\\X");
    EXPECT_EQ(win::StringSubBlock(0x00000007u, "X"), "\\StringFileInfo\\00070000\\X");
}

TEST(FileMetaDataTest, MissingValueFailsAtLine93) {
    try {
        Own().GetString("NoSuchValue");
        FAIL();
    } catch (const win::Error_t& e) {
        EXPECT_STREQ(e.SourceFile(), "src/win/WIN_FileMetaData.cpp");
        EXPECT_EQ(e.SourceLine(), 93);
    }
}

struct NoBlockCase {
    const char* name;
    std::uint32_t code;
};

TEST(FileMetaDataTest, FilesWithoutABlockFailAtLine30) {
    const std::string root = testsupport::FreshRoot();
    std::ofstream(root + "/text") << "no ELF here";
    const NoBlockCase cases[] = {{"/text", pal::ERROR_BAD_EXE_FORMAT},
                                 {"/missing", pal::ERROR_FILE_NOT_FOUND}};
    for (const NoBlockCase& c : cases) {
        try {
            win::FileMetaData_t meta(root + c.name);
            ADD_FAILURE() << c.name;
        } catch (const win::Error_t& e) {
            EXPECT_EQ(e.SourceLine(), 30) << c.name;
            EXPECT_EQ(e.code, c.code) << c.name;
        }
    }
}

TEST(FileMetaDataTest, ModuleOfAnotherVersion) {
    const win::FileMetaData_t other(win::ProgramDirectory() + "Quorvel_V2101.so");
    EXPECT_EQ(other.FileVersion(), win::Version_t(2, 1, 0, 1));
    EXPECT_FALSE(other.FileVersion() == Own().FileVersion());
    EXPECT_EQ(other.GetString("FileVersion"), "2.1.0.1");
}

}  // namespace
