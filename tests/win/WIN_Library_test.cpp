#include "win/WIN_Library.h"

#include <gtest/gtest.h>

#include <string>

#include "pal/PAL_Error.h"
#include "win/WIN_Exception.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int calls = 0;
void Procedure() {
    ++calls;
}

// The failure, at its module and line, with the system's code.
void ExpectError(const win::Error_t& error, unsigned line, std::uint32_t code) {
    EXPECT_TRUE(EndsWith(error.SourceFile(), "WIN_Library.cpp")) << error.SourceFile();
    EXPECT_EQ(error.SourceLine(), line);
    EXPECT_EQ(error.code, code);
}

TEST(LibraryTest, ProcedureOfALoadedLibraryIsCalled) {
    pal::RegisterBuiltinModule("quorvel-library-test.dll", {{"Procedure", &Procedure}});
    const win::Library_t library("quorvel-library-test.dll");
    EXPECT_NE(library.GetHandle(), nullptr);
    library.GetProc<void (*)()>("Procedure")();
    EXPECT_EQ(calls, 1);
}

TEST(LibraryTest, LibraryThatCannotBeLoadedFailsAtLine38) {
    try {
        const win::Library_t library("quorvel-no-such-module.dll");
        FAIL() << "loaded";
    } catch (const win::Error_t& error) {
        ExpectError(error, 38, pal::ERROR_MOD_NOT_FOUND);
    }
}

TEST(LibraryTest, MissingProcedureFailsAtLine89) {
    const win::Library_t kernel("kernel32.dll");
    EXPECT_NE(kernel.GetProcAddress("CancelIo"), nullptr);
    try {
        kernel.GetProcAddress("QuorvelNoSuchProcedure");
        FAIL() << "found";
    } catch (const win::Error_t& error) {
        ExpectError(error, 89, pal::ERROR_PROC_NOT_FOUND);
    }
}

}  // namespace
