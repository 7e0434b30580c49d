#include "win/WIN_Utilities.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "glo/GLO_Exception.h"
#include "pal/PAL_Error.h"
#include "pal/PAL_Module.h"
#include "support/ChildProcess.h"
#include "support/ExpectThrowAt.h"
#include "support/TestRoot.h"
#include "win/WIN_Exception.h"

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Executable() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    return std::string(path, static_cast<std::size_t>(n > 0 ? n : 0));
}

// Expects an E raised at a line of this module.
template <typename E>
void ExpectThrowAt(const std::function<void()>& call, unsigned line) {
    testsupport::ExpectThrowAt<E>(call, "src/win/WIN_Utilities.cpp", line);
}

class EnsureDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = testsupport::FreshRoot(); }
    std::string root_;
};

TEST_F(EnsureDirectoryTest, CreatesAMissingDirectory) {
    EXPECT_TRUE(win::EnsureDirectory(root_ + "/new"));
    EXPECT_TRUE(IsDirectory(root_ + "/new"));
}

TEST_F(EnsureDirectoryTest, ExistingDirectoryIsLeftAlone) {
    ASSERT_EQ(::mkdir((root_ + "/d").c_str(), 0755), 0);
    std::ofstream(root_ + "/d/keep") << "x";
    EXPECT_FALSE(win::EnsureDirectory(root_ + "/d"));
    EXPECT_FALSE(win::EnsureDirectory(root_ + "/d/"));
    EXPECT_EQ(::access((root_ + "/d/keep").c_str(), F_OK), 0);
}

TEST_F(EnsureDirectoryTest, FileInTheWayIsReplaced) {
    for (const std::string suffix : {"", "/"}) {
        const std::string path = root_ + "/occupied";
        std::ofstream(path) << "a file";
        EXPECT_TRUE(win::EnsureDirectory(path + suffix)) << suffix;
        EXPECT_TRUE(IsDirectory(path));
        ASSERT_EQ(::rmdir(path.c_str()), 0);
    }
}

TEST_F(EnsureDirectoryTest, RootReturnsTrueAtOnce) {
    EXPECT_TRUE(win::EnsureDirectory("/"));
    EXPECT_TRUE(win::EnsureDirectory("//"));
}

TEST_F(EnsureDirectoryTest, EmptyPathFailsTheCheck) {
    ExpectThrowAt<glo::Assert_t>([] { win::EnsureDirectory(""); }, 317);
}

TEST_F(EnsureDirectoryTest, MissingParentIsAnError) {
    ExpectThrowAt<win::Error_t>([&] { win::EnsureDirectory(root_ + "/none/d"); }, 333);
}

// Run as nobody by AccessDeniedIsAFileError.
TEST_F(EnsureDirectoryTest, DISABLED_ChildCreatesInALockedDirectory) {
    try {
        win::EnsureDirectory(std::string(std::getenv("LOCKED_DIR")) + "/d");
    } catch (const win::FileError_t& e) {
        std::exit(e.SourceLine() == 329 && e.code == pal::ERROR_ACCESS_DENIED ? 0 : 2);
    }
    std::exit(3);
}

TEST_F(EnsureDirectoryTest, AccessDeniedIsAFileError) {
    if (!testsupport::CanRunAsNobody()) {
        GTEST_SKIP() << "needs root to run a child as nobody";
    }
    const std::string locked = root_ + "/locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
    ::chmod(root_.c_str(), 0755);
    ::chmod(testsupport::RunRoot().c_str(), 0755);
    const auto child =
        testsupport::StartSelf("EnsureDirectoryTest.DISABLED_ChildCreatesInALockedDirectory",
                               {{"LOCKED_DIR", locked}}, true);
    EXPECT_EQ(testsupport::Wait(child), 0);
}

TEST(ProgramTest, ModuleFileAndDirectory) {
    EXPECT_EQ(win::ModuleHandle(), pal::GetModuleHandleA(nullptr));
    const std::string exe = Executable();
    EXPECT_EQ(win::ModuleFileName(win::ModuleHandle()), exe);
    EXPECT_EQ(win::ProgramDirectory(), exe.substr(0, exe.rfind('/') + 1));
    EXPECT_EQ(win::ProgramDirectory().back(), '/');
}

TEST(ProgramTest, TempDirectoryExistsOnEveryCall) {
    const std::string temp = win::TempDirectory();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '/');
    EXPECT_TRUE(IsDirectory(temp));
    ASSERT_EQ(::rmdir(temp.c_str()), 0);
    EXPECT_EQ(win::TempDirectory(), temp);  // remembered, and made again
    EXPECT_TRUE(IsDirectory(temp));
}

TEST(ResourceModuleTest, FoundNextToTheProgramAndLoadedOnce) {
    ASSERT_TRUE(win::ResourceFileName().HasValue());
    EXPECT_EQ(*win::ResourceFileName(), "Quorvel_TESTLANG.so");
    EXPECT_EQ(*win::ResourceModulePath(), win::ProgramDirectory() + "Quorvel_TESTLANG.so");
    const pal::HMODULE module = win::ResourceModule();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(win::ResourceModule(), module);
    EXPECT_EQ(win::ModuleFileName(module), *win::ResourceModulePath());
    EXPECT_EQ(win::ResourceLanguage(), 0x409);
}

}  // namespace
