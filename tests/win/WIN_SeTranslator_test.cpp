#include <gtest/gtest.h>
#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <thread>

#include "win/WIN_Exception.h"

namespace {

#if defined(__SANITIZE_THREAD__)
#define SKIP_UNDER_TSAN() GTEST_SKIP() << "faults cannot be translated under ThreadSanitizer"
#else
#define SKIP_UNDER_TSAN() (void)0
#endif

// The faulting functions: not inlined (the fault must happen in them), and
// not instrumented, so the sanitizers do not report the fault first.
#define FAULTING __attribute__((noinline, no_sanitize("address", "undefined")))

FAULTING int ReadNull() {
    int* volatile pointer = nullptr;
    return *pointer;
}

FAULTING void WriteSmallAddress() {
    int* volatile pointer = reinterpret_cast<int*>(0x10);
    *pointer = 1;
}

FAULTING int DivideByZero() {
    volatile int numerator = 1;
    volatile int denominator = 0;
    return numerator / denominator;
}

FAULTING void IllegalInstruction() {
    __builtin_trap();
}

struct Outcome {
    std::optional<win::StructuredException_t> error;
    int faults = 0;
};

// Runs body on a new thread that installed the translator, as the receive
// thread does; the thread's end also gives its alternate stack up.
Outcome RunTranslated(const std::function<void()>& body, int times = 1) {
    Outcome outcome;

    std::thread thread([&] {
        win::InstallSeTranslator();
        for (int i = 0; i < times; ++i) {
            try {
                body();
            } catch (const win::StructuredException_t& error) {
                outcome.error = error;
                ++outcome.faults;
            }
        }
    });
    thread.join();
    return outcome;
}

const char* const kProgramAddressLine = "program address 0x[0-9A-F]{8}\\.";

std::string Hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

void ExpectTranslatedAt(const win::StructuredException_t& error, const void* function) {
    EXPECT_EQ(error.SourceLine(), 32);
    EXPECT_NE(std::string(error.SourceFile()).find("WIN_Exception"), std::string::npos);
    EXPECT_EQ(error.subId, "0x" + Hex8(error.programAddress));
    EXPECT_NE(error.message.find("program address " + error.subId + "."), std::string::npos);
    // The program address is a module offset inside the faulting function.
    const std::uint32_t start = glo::ModuleOffset(function);
    EXPECT_GE(error.programAddress, start);
    EXPECT_LT(error.programAddress, start + 256);
    EXPECT_FALSE(error.stackTrace.empty());
    EXPECT_EQ(error.pointers, nullptr);
}

TEST(SeTranslator, NullReadIsReadAccessViolation) {
    SKIP_UNDER_TSAN();
    const Outcome outcome = RunTranslated([] { ReadNull(); });
    ASSERT_TRUE(outcome.error);
    const auto& error = *outcome.error;
    EXPECT_EQ(error.code, win::kAccessViolation);
    EXPECT_TRUE(std::regex_match(
        error.message, std::regex(std::string("Read access violation at data address 0x0,\n") +
                                  kProgramAddressLine)))
        << error.message;
    ExpectTranslatedAt(error, reinterpret_cast<const void*>(&ReadNull));
}

TEST(SeTranslator, WriteAtSmallAddress) {
    SKIP_UNDER_TSAN();
    const Outcome outcome = RunTranslated(WriteSmallAddress);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(
        std::regex_match(outcome.error->message,
                         std::regex(std::string("Write access violation at data address 0x10,\n") +
                                    kProgramAddressLine)))
        << outcome.error->message;
    ExpectTranslatedAt(*outcome.error, reinterpret_cast<const void*>(&WriteSmallAddress));
}

TEST(SeTranslator, IntegerDivideByZero) {
    SKIP_UNDER_TSAN();
    const Outcome outcome = RunTranslated([] { DivideByZero(); });
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, win::kIntegerDivideByZero);
    EXPECT_TRUE(std::regex_match(
        outcome.error->message,
        std::regex(std::string("Integer divide by zero at ") + kProgramAddressLine)))
        << outcome.error->message;
    ExpectTranslatedAt(*outcome.error, reinterpret_cast<const void*>(&DivideByZero));
}

TEST(SeTranslator, IllegalInstruction) {
    SKIP_UNDER_TSAN();
    const Outcome outcome = RunTranslated(IllegalInstruction);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, 0xC000001Du);
    EXPECT_EQ(outcome.error->message.rfind("Illegal instruction at program address 0x", 0), 0u);
}

TEST(SeTranslator, EveryFaultOfAThreadIsTranslated) {
    SKIP_UNDER_TSAN();
    int round = 0;
    const Outcome outcome = RunTranslated(
        [&] {
            if (round++ % 2 == 0) {
                ReadNull();
            } else {
                DivideByZero();
            }
        },
        4);
    EXPECT_EQ(outcome.faults, 4);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, win::kIntegerDivideByZero);
}

TEST(SeTranslator, ManyThreadsInTurn) {
    SKIP_UNDER_TSAN();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(RunTranslated([] { ReadNull(); }).faults, 1);
    }
}

struct CraftedCase {
    std::uint32_t code;
    std::string firstPart;
};

TEST(StructuredException, TextOfACraftedRecord) {
    const CraftedCase cases[] = {
        {0xE06D7363u, "Exception: 0xE06D7363 at "},
        {0x0000ABCDu, "Exception: 0xABCD at "},
        {0x80000003u, "Breakpoint at "},
        {0xC00000FDu, "Stack overflow at "},
        {0xC000008Cu, "Array bounds exceeded at "},
    };
    win::ExceptionPointers_t record;
    record.instructionAddress = reinterpret_cast<std::uintptr_t>(&ReadNull);
    for (const auto& c : cases) {
        record.code = c.code;
        const win::StructuredException_t error("WIN_Test", 9, c.code, &record);
        const std::string address = Hex8(glo::ModuleOffset(reinterpret_cast<void*>(&ReadNull)));
        EXPECT_EQ(error.message, c.firstPart + "program address 0x" + address + ".");
        EXPECT_EQ(error.subId, "0x" + address);
        EXPECT_EQ(error.pointers, &record);  // borrowed while being made
        EXPECT_EQ(error.code, c.code);
    }
}

TEST(StructuredException, AccessViolationDataAddressInLowerCaseHex) {
    win::ExceptionPointers_t record;
    record.code = win::kAccessViolation;
    record.parameters[0] = 8;  // any value other than 0 is a write
    record.parameters[1] = 0xABCDEFu;
    const win::StructuredException_t error("WIN_Test", 9, record.code, &record);
    EXPECT_EQ(error.message.rfind("Write access violation at data address 0xabcdef,\n", 0), 0u)
        << error.message;
}

// Faults the translator must leave alone: they end the process as they
// would have without it.
class SeTranslatorDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's handler, installed before ours, reports and exits.
#define EXPECT_DIES_BY_SEGV(statement) EXPECT_DEATH(statement, "SEGV")
#else
#define EXPECT_DIES_BY_SEGV(statement) \
    EXPECT_EXIT(statement, ::testing::KilledBySignal(SIGSEGV), "")
#endif

TEST_F(SeTranslatorDeathTest, ThreadWithoutTranslatorIsNotTranslated) {
    EXPECT_DIES_BY_SEGV({
        win::InstallSeTranslator();  // the handlers exist, but not for the next thread
        std::thread([] {
            try {
                ReadNull();
            } catch (...) {
                std::_Exit(3);
            }
        }).join();
        std::_Exit(4);
    });
}

TEST_F(SeTranslatorDeathTest, UninstalledThreadIsNotTranslated) {
    EXPECT_DIES_BY_SEGV({
        win::InstallSeTranslator();
        win::UninstallSeTranslator();
        try {
            ReadNull();
        } catch (...) {
            std::_Exit(3);
        }
        std::_Exit(4);
    });
}

TEST_F(SeTranslatorDeathTest, SentSignalIsNotTranslated) {
    EXPECT_DIES_BY_SEGV({
        win::InstallSeTranslator();
        try {
            raise(SIGSEGV);
        } catch (...) {
            std::_Exit(3);
        }
        std::_Exit(4);
    });
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer ignores the program's own fault handlers unless allowed.
extern "C" const char* __asan_default_options() {
    return "allow_user_segv_handler=1";
}
#endif
