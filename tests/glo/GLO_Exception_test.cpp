#include "glo/GLO_Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kFile[] = "GLO_Test";

TEST(Exception, FieldsAndCopies) {
    glo::Exception_t original(kFile, 70000, "message", "sub");
    original.stackTrace = {1, 2, 3};
    const glo::Exception_t copy(original);
    original.message = "changed";
    original.stackTrace.clear();
    EXPECT_STREQ(copy.what(), "message");
    EXPECT_EQ(copy.subId, "sub");
    EXPECT_EQ(copy.stackTrace, (glo::StackTrace_t{1, 2, 3}));
    EXPECT_EQ(copy.SourceFile(), kFile);  // the pointer is shared, not copied
    EXPECT_EQ(copy.SourceLine(), static_cast<std::uint16_t>(70000));  // 16 bits
}

TEST(Exception, PlainExceptionsHaveNoTrace) {
    EXPECT_TRUE(glo::Exception_t(kFile, 1, "m", "s").stackTrace.empty());
    EXPECT_TRUE(glo::Timeout_t(kFile, 1).stackTrace.empty());
}

TEST(Exception, TreeAndTexts) {
    const glo::Timeout_t timeout(kFile, 3);
    const glo::CommunicationsError_t& communications = timeout;
    EXPECT_EQ(communications.message, "");
    EXPECT_EQ(glo::OutOfRange_t(kFile, 1, "range").message, "range");
    EXPECT_EQ(glo::OutOfRange_t(kFile, 1, "range").subId, "");
    EXPECT_EQ(glo::Terminate_t(kFile, 2).message, "");
    EXPECT_EQ(glo::LocaleDoesNotExist_t(kFile, 2, "de").message, "de");
}

TEST(Check, ReturnsTrueOrThrowsAssert) {
    EXPECT_TRUE(glo::Check(true, kFile, 10));
    try {
        glo::Check(false, kFile, 11);
        FAIL() << "no Assert_t";
    } catch (const glo::Assert_t& error) {
        EXPECT_EQ(error.SourceFile(), kFile);
        EXPECT_EQ(error.SourceLine(), 11);
        EXPECT_EQ(error.message, "");
        EXPECT_EQ(error.subId, "");
        EXPECT_FALSE(error.stackTrace.empty());
        EXPECT_LE(error.stackTrace.size(), glo::kMaxStackTraceDepth);
    }
}

__attribute__((noinline)) glo::StackTrace_t TraceFromDepth(int depth) {
    if (depth > 0) {
        glo::StackTrace_t trace = TraceFromDepth(depth - 1);
        asm volatile("");  // keeps the recursion from becoming a loop
        return trace;
    }
    return glo::Assert_t(kFile, 1).stackTrace;
}

TEST(Check, TraceIsCappedAtFifty) {
    EXPECT_EQ(TraceFromDepth(80).size(), glo::kMaxStackTraceDepth);
}

}  // namespace
