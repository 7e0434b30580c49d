#include "win/WIN_File.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "glo/GLO_Exception.h"
#include "pal/PAL_Error.h"
#include "support/ExpectThrowAt.h"
#include "support/TestRoot.h"
#include "win/WIN_Exception.h"

namespace {

class FileTest : public ::testing::Test {
protected:
    void SetUp() override { path_ = testsupport::FreshRoot() + "/file"; }
    std::string Content() const {
        std::ifstream in(path_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string path_;
};

// Expects an E raised at a line of this module.
template <typename E>
void ExpectThrowAt(const std::function<void()>& call, unsigned line) {
    testsupport::ExpectThrowAt<E>(call, "src/win/WIN_File.cpp", line);
}

TEST_F(FileTest, WritesSizesTruncatesAndCloses) {
    win::File_t file(path_, pal::GENERIC_READ | pal::GENERIC_WRITE, pal::CREATE_ALWAYS);
    EXPECT_EQ(file.Write("0123456789", 10), 10u);
    EXPECT_EQ(file.Size(), 10u);
    file.Flush();
    file.Truncate();
    EXPECT_EQ(file.Size(), 0u);
    EXPECT_EQ(file.Write("abc", 3), 3u);
    EXPECT_EQ(file.Close(), 1);
    EXPECT_EQ(file.Close(), 0);  // no file any more
    EXPECT_EQ(Content(), "abc");
}

TEST_F(FileTest, WriteAndFlushNeedWriteAccess) {
    std::ofstream(path_) << "data";
    win::File_t file(path_, pal::GENERIC_READ, pal::OPEN_EXISTING);
    ExpectThrowAt<glo::Assert_t>([&] { file.Write("x", 1); }, 109);
    ExpectThrowAt<glo::Assert_t>([&] { file.Flush(); }, 113);
    EXPECT_EQ(file.Size(), 4u);
    EXPECT_EQ(Content(), "data");
}

TEST_F(FileTest, OpenFailuresCarryThePath) {
    try {
        win::File_t file(path_ + ".missing", pal::GENERIC_READ, pal::OPEN_EXISTING);
        FAIL();
    } catch (const win::FileError_t& e) {
        EXPECT_EQ(e.SourceLine(), 35);
        EXPECT_EQ(e.code, pal::ERROR_FILE_NOT_FOUND);
        EXPECT_NE(e.message.find(path_ + ".missing"), std::string::npos);
    }
    ExpectThrowAt<win::FileError_t>(
        [] { win::File_t file("", pal::GENERIC_READ, pal::OPEN_EXISTING); }, 35);
}

TEST_F(FileTest, SecondExclusiveOpenIsASharingViolation) {
    win::File_t first(path_, pal::GENERIC_WRITE, pal::CREATE_ALWAYS);
    try {
        win::File_t second(path_, pal::GENERIC_WRITE, pal::OPEN_EXISTING);
        FAIL();
    } catch (const win::FileError_t& e) {
        EXPECT_EQ(e.code, pal::ERROR_SHARING_VIOLATION);
    }
}

TEST_F(FileTest, DestructorClosesTheFile) {
    {
        win::File_t file(path_, pal::GENERIC_WRITE, pal::CREATE_ALWAYS);
        file.Write("x", 1);
    }
    win::File_t again(path_, pal::GENERIC_WRITE, pal::OPEN_EXISTING);
    EXPECT_EQ(again.Size(), 1u);
}

}  // namespace
