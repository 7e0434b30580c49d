#include "pal/PAL_Resource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"

namespace {

using namespace pal;

class ResourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char path[4096];
        const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
        ASSERT_GT(n, 0);
        std::string file(path, static_cast<std::size_t>(n));
        file = file.substr(0, file.rfind('/') + 1) + "Quorvel_LANG.so";
        module_ = LoadLibraryA(file.c_str());
        ASSERT_NE(module_, nullptr);
    }
    static HMODULE module_;
};
HMODULE ResourceTest::module_ = nullptr;

TEST_F(ResourceTest, FindsIconAndBitmapByTypeAndId) {
    const HRSRC icon = FindResourceA(module_, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(RT_ICON));
    ASSERT_NE(icon, nullptr);
    const void* bytes = LockResource(LoadResource(module_, icon));
    ASSERT_NE(bytes, nullptr);
    EXPECT_GT(SizeofResource(module_, icon), 8u);
    EXPECT_EQ(std::memcmp(bytes, "\x89PNG", 4), 0);

    const HRSRC bitmap = FindResourceA(module_, "#117", "#2");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(std::memcmp(LockResource(LoadResource(module_, bitmap)), "BM", 2), 0);
}

struct MissingCase {
    const char* name;
    const char* type;
    DWORD error;
};

TEST_F(ResourceTest, MissingResourcesNameTheMissingPart) {
    const MissingCase cases[] = {
        {MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(RT_ICON), ERROR_RESOURCE_NAME_NOT_FOUND},
        {MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(99), ERROR_RESOURCE_TYPE_NOT_FOUND},
        {MAKEINTRESOURCEA(5603), "NOSUCHTYPE", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"#", MAKEINTRESOURCEA(RT_ICON), ERROR_INVALID_PARAMETER},
        {"#99999", MAKEINTRESOURCEA(RT_ICON), ERROR_INVALID_PARAMETER},
        {"#1x", MAKEINTRESOURCEA(RT_ICON), ERROR_INVALID_PARAMETER},
        {"NAMED", MAKEINTRESOURCEA(RT_ICON), ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const MissingCase& c : cases) {
        EXPECT_EQ(FindResourceA(module_, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    // The program itself carries no resource directory.
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(RT_ICON)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    EXPECT_EQ(SizeofResource(module_, nullptr), 0u);
    EXPECT_EQ(LoadResource(module_, nullptr), nullptr);
}

TEST_F(ResourceTest, LoadStringCutsToTheBufferLikeTheSystem) {
    char full[512];
    const int length = LoadStringA(module_, 5606, full, sizeof full);
    ASSERT_GT(length, 20);
    EXPECT_EQ(static_cast<int>(std::strlen(full)), length);
    for (int size : {1, 2, 10, length, length + 1}) {
        char buffer[512];
        std::memset(buffer, 'x', sizeof buffer);
        const int copied = LoadStringA(module_, 5606, buffer, size);
        const int expected = std::min(length, size - 1);
        EXPECT_EQ(copied, expected) << size;
        EXPECT_EQ(std::string(buffer), std::string(full, static_cast<std::size_t>(expected)));
        EXPECT_EQ(buffer[size], 'x') << "wrote past the buffer of " << size;
    }
}

TEST_F(ResourceTest, LoadStringOfAMissingIdReturnsZero) {
    char buffer[16] = "unchanged";
    EXPECT_EQ(LoadStringA(module_, 4242, buffer, sizeof buffer), 0);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadStringA(module_, 0x10000 + 5606, buffer, sizeof buffer), 0);
    EXPECT_EQ(LoadStringA(module_, 5606, nullptr, 16), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // Strings are not found under other types, nor other types as strings.
    EXPECT_EQ(LoadStringA(module_, 100, buffer, sizeof buffer), 0);
}

}  // namespace
