#include "pal/PAL_Module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "pal/PAL_Error.h"

namespace {

using namespace pal;

std::string Executable() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

std::string LanguageModulePath() {
    const std::string exe = Executable();
    return exe.substr(0, exe.rfind('/') + 1) + "Quorvel_LANG.so";
}

TEST(ModuleTest, ProgramFileName) {
    char path[4096];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    EXPECT_EQ(std::string(path, n), Executable());
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof path), n);
}

TEST(ModuleTest, FileNameCutShortReportsTheBufferSize) {
    char path[5];
    std::memset(path, 'x', sizeof path);
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, sizeof path), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(path), Executable().substr(0, 4));
}

TEST(ModuleTest, SharedObjectLoadsWithItsFileAndSymbols) {
    const std::string path = LanguageModulePath();
    const HMODULE module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr);
    char name[4096];
    const DWORD n = GetModuleFileNameA(module, name, sizeof name);
    EXPECT_EQ(std::string(name, n), path);
    EXPECT_NE(GetProcAddress(module, "QuorvelResourceDirectory"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchSymbol"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA(path.c_str()), module);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(ModuleTest, MissingAndInvalidLibraries) {
    EXPECT_EQ(LoadLibraryA("Quorvel_NoSuchModule.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    // A file that exists but is no library.
    EXPECT_EQ(LoadLibraryA("/proc/self/status"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(GetModuleHandleA("Quorvel_NoSuchModule.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

int cancelCalls = 0;
void FakeCancelIo() {
    ++cancelCalls;
}
void FakeOther() {}

TEST(ModuleTest, BuiltinModulesServeRegisteredSymbols) {
    RegisterBuiltinModule("testbuiltin32.dll", {{"CancelIo", &FakeCancelIo}});
    const HMODULE module = LoadLibraryA("TESTBUILTIN32.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleA("testbuiltin32.dll"), module);
    const FARPROC cancel = GetProcAddress(module, "CancelIo");
    ASSERT_NE(cancel, nullptr);
    cancel();
    EXPECT_EQ(cancelCalls, 1);
    EXPECT_EQ(GetProcAddress(module, "cancelio"), nullptr);  // symbols are case-sensitive
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

    // Registering again adds symbols to the same module.
    RegisterBuiltinModule("testbuiltin32.dll", {{"Other", &FakeOther}});
    EXPECT_EQ(LoadLibraryA("testbuiltin32.dll"), module);
    EXPECT_EQ(GetProcAddress(module, "Other"), &FakeOther);
    EXPECT_EQ(GetProcAddress(module, "CancelIo"), &FakeCancelIo);
    char name[64];
    EXPECT_GT(GetModuleFileNameA(module, name, sizeof name), 0u);
    EXPECT_STREQ(name, "testbuiltin32.dll");
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetProcAddress(module, "CancelIo"), &FakeCancelIo);  // never unloaded
}

TEST(ModuleTest, UnknownBuiltinNameFails) {
    EXPECT_EQ(LoadLibraryA("nosuchbuiltin.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

}  // namespace
