#include "pal/PAL_File.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "pal/PAL_Error.h"
#include "pal/PAL_Sync.h"
#include "support/TestRoot.h"

namespace {

using namespace pal;

class FileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = testsupport::FreshRoot(); }
    std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
    void MakeFile(const std::string& name, const std::string& content) const {
        std::ofstream(PathOf(name)) << content;
    }
    static std::string Content(const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string dir_;
};

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition,
            DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, attributes,
                       INVALID_HANDLE_VALUE);
}

struct ShareCase {
    DWORD firstShare;
    DWORD secondShare;
    bool secondOpens;
};

class ShareModeTest : public FileTest, public ::testing::WithParamInterface<ShareCase> {};

TEST_P(ShareModeTest, ExclusiveOpensConflict) {
    const ShareCase& c = GetParam();
    MakeFile("f", "x");
    const HANDLE first = Open(PathOf("f"), GENERIC_READ, c.firstShare, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    const HANDLE second = Open(PathOf("f"), GENERIC_READ, c.secondShare, OPEN_EXISTING);
    if (c.secondOpens) {
        EXPECT_NE(second, INVALID_HANDLE_VALUE);
        CloseHandle(second);
    } else {
        EXPECT_EQ(second, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    }
    CloseHandle(first);
    // Closing the first handle frees the file again.
    const HANDLE third = Open(PathOf("f"), GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(third, INVALID_HANDLE_VALUE);
    CloseHandle(third);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ShareModeTest,
    ::testing::Values(ShareCase{0, 0, false}, ShareCase{0, FILE_SHARE_READ, false},
                      ShareCase{FILE_SHARE_READ, 0, false},
                      ShareCase{FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true}));

TEST_F(FileTest, ExclusiveOpenKeepsTheContentOfATruncatingSecondOpen) {
    MakeFile("f", "keep");
    const HANDLE first = Open(PathOf("f"), GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(PathOf("f"), GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Content(PathOf("f")), "keep");
    CloseHandle(first);
}

struct DispositionCase {
    const char* name;
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD lastError;      // after the call
    const char* content;  // of the file afterwards; null: no file
};

class DispositionTest : public FileTest, public ::testing::WithParamInterface<DispositionCase> {};

TEST_P(DispositionTest, OpensCreatesOrTruncates) {
    const DispositionCase& c = GetParam();
    if (c.exists) {
        MakeFile("f", "old");
    }
    SetLastError(12345);
    const HANDLE h = Open(PathOf("f"), GENERIC_READ | GENERIC_WRITE, 0, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(GetLastError(), c.lastError);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
    }
    struct stat st {};
    const bool present = ::stat(PathOf("f").c_str(), &st) == 0;
    EXPECT_EQ(present, c.content != nullptr);
    if (present && c.content != nullptr) {
        EXPECT_EQ(Content(PathOf("f")), c.content);
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, DispositionTest,
    ::testing::Values(
        DispositionCase{"CreateNewMissing", CREATE_NEW, false, true, 0, ""},
        DispositionCase{"CreateNewExisting", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        DispositionCase{"CreateAlwaysMissing", CREATE_ALWAYS, false, true, 0, ""},
        DispositionCase{"CreateAlwaysExisting", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS,
                        ""},
        DispositionCase{"OpenExistingMissing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND,
                        nullptr},
        DispositionCase{"OpenExistingExisting", OPEN_EXISTING, true, true, 0, "old"},
        DispositionCase{"OpenAlwaysMissing", OPEN_ALWAYS, false, true, 0, ""},
        DispositionCase{"OpenAlwaysExisting", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        DispositionCase{"TruncateExistingMissing", TRUNCATE_EXISTING, false, false,
                        ERROR_FILE_NOT_FOUND, nullptr},
        DispositionCase{"TruncateExistingExisting", TRUNCATE_EXISTING, true, true, 0, ""},
        DispositionCase{"Unknown", 9, true, false, ERROR_INVALID_PARAMETER, "old"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(FileTest, MissingDirectoryIsPathNotFound) {
    EXPECT_EQ(Open(PathOf("none/f"), GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileTest, DirectoryCannotBeOpenedAsFile) {
    EXPECT_EQ(Open(dir_, GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileTest, ReadOnlyAttributeIsTheAbsenceOfWriteBits) {
    const HANDLE created =
        Open(PathOf("ro"), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    // The creating handle may still write, as on the system.
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(created, "abc", 3, &written, nullptr));
    CloseHandle(created);
    struct stat st {};
    ASSERT_EQ(::stat(PathOf("ro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
    EXPECT_NE(GetFileAttributesA(PathOf("ro").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    // Refused for writing, for every user; reading works.
    EXPECT_EQ(Open(PathOf("ro"), GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(PathOf("ro"), GENERIC_READ, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA(PathOf("ro").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    const HANDLE reader = Open(PathOf("ro"), GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);

    ASSERT_TRUE(SetFileAttributesA(PathOf("ro").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(PathOf("ro").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    const HANDLE writer = Open(PathOf("ro"), GENERIC_WRITE, 0, OPEN_EXISTING);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
}

TEST_F(FileTest, ReadWriteSeekAndTruncate) {
    const HANDLE h = Open(PathOf("f"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
    EXPECT_EQ(n, 11u);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 11);

    EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
    char buffer[16] = {};
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "world");
    // At the end a read succeeds with no bytes.
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(n, 0u);

    LARGE_INTEGER to{};
    to.QuadPart = 5;
    LARGE_INTEGER at{};
    ASSERT_TRUE(SetFilePointerEx(h, to, &at, FILE_BEGIN));
    EXPECT_EQ(at.QuadPart, 5);
    ASSERT_TRUE(SetEndOfFile(h));
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 5);
    EXPECT_TRUE(FlushFileBuffers(h));

    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), 131u);  // negative seek
    CloseHandle(h);
    EXPECT_EQ(Content(PathOf("f")), "hello");
}

TEST_F(FileTest, DirectionsNotOpenedAreRefused) {
    MakeFile("f", "data");
    const HANDLE reader = Open(PathOf("f"), GENERIC_READ, 0, OPEN_EXISTING);
    DWORD n = 0;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(SetEndOfFile(reader));
    EXPECT_FALSE(FlushFileBuffers(reader));
    CloseHandle(reader);
    const HANDLE writer = Open(PathOf("f"), GENERIC_WRITE, 0, OPEN_EXISTING);
    char c = 0;
    EXPECT_FALSE(ReadFile(writer, &c, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(writer);
}

TEST_F(FileTest, ClosedOrForeignHandlesAreInvalid) {
    MakeFile("f", "data");
    const HANDLE h = Open(PathOf("f"), GENERIC_READ, 0, OPEN_EXISTING);
    CloseHandle(h);
    char c = 0;
    DWORD n = 0;
    EXPECT_FALSE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(ReadFile(event, &c, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    CloseHandle(event);
}

TEST_F(FileTest, DevicePathsGoToTheDeviceModel) {
    EXPECT_EQ(Open("\\\\.\\NoSuchDevice", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileTest, DirectoryCalls) {
    const std::string d = PathOf("d");
    EXPECT_TRUE(CreateDirectoryA(d.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(d.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_NE(GetFileAttributesA(d.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(CreateDirectoryA(PathOf("none/d").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    MakeFile("d/f", "x");
    EXPECT_FALSE(RemoveDirectoryA(d.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(DeleteFileA(d.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(DeleteFileA(PathOf("d/f").c_str()));
    EXPECT_FALSE(DeleteFileA(PathOf("d/f").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(RemoveDirectoryA(d.c_str()));
    EXPECT_EQ(GetFileAttributesA(d.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileTest, TempPathFollowsTheRootAndEndsInSlash) {
    const DWORD needed = GetTempPathA(0, nullptr);
    const std::string expected = dir_ + "/tmp/";
    EXPECT_EQ(needed, expected.size() + 1);
    std::string buffer(needed, '\0');
    EXPECT_EQ(GetTempPathA(needed, buffer.data()), expected.size());
    EXPECT_EQ(buffer.c_str(), expected);
    // One byte short: the size needed again, nothing stored.
    EXPECT_EQ(GetTempPathA(needed - 1, buffer.data()), needed);
}

}  // namespace
