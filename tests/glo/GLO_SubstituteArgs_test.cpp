#include "glo/GLO_SubstituteArgs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "glo/GLO_Exception.h"

namespace {

struct GoodCase {
    const char* text;
    std::vector<std::string> args;
    const char* expected;
};

class SubstituteGoodTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(SubstituteGoodTest, Replaces) {
    const GoodCase& c = GetParam();
    EXPECT_EQ(glo::SubstituteArgs(c.text, c.args, "Caller", 7), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubstituteGoodTest,
    ::testing::Values(GoodCase{"100%% sure", {}, "100% sure"},
                      GoodCase{"%0 and %0", {"x"}, "x and x"},
                      GoodCase{"%%0 is %0", {"y"}, "%0 is y"},
                      GoodCase{"no placeholders", {}, "no placeholders"}, GoodCase{"", {}, ""},
                      // The inserted text is never scanned again.
                      GoodCase{"[%0]", {"%0"}, "[%0]"}, GoodCase{"%0%1", {"%1", "%"}, "%1%"},
                      GoodCase{"%1 before %0", {"a", "b"}, "b before a"},
                      GoodCase{"%9%8%7%6%5%4%3%2%1%0",
                               {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"},
                               "9876543210"},
                      GoodCase{"%0", {""}, ""}));

struct BadCase {
    const char* why;
    const char* text;
    std::vector<std::string> args;
};

class SubstituteBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(SubstituteBadTest, FailsTheCheckAtTheCallersLine) {
    const BadCase& c = GetParam();
    try {
        glo::SubstituteArgs(c.text, c.args, "Caller", 4321);
        FAIL() << c.why;
    } catch (const glo::Assert_t& e) {
        EXPECT_STREQ(e.SourceFile(), "Caller");
        EXPECT_EQ(e.SourceLine(), 4321);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubstituteBadTest,
    ::testing::Values(BadCase{"index out of range", "%1", {"x"}},
                      BadCase{"argument never referenced", "abc", {"x"}},
                      BadCase{"lone percent at the end", "50%", {}},
                      BadCase{"lone percent after a placeholder", "%0%", {"x"}},
                      BadCase{"not a digit", "%a", {"x"}},
                      BadCase{"second argument unused", "%0", {"x", "y"}},
                      BadCase{"more than ten arguments", "%0", std::vector<std::string>(11, "x")}));

TEST(FormatTest, IsSubstitutionWithOneArgument) {
    EXPECT_EQ(glo::Format("Version %0", "2.1.0", "Caller", 1), "Version 2.1.0");
    EXPECT_THROW(glo::Format("no placeholder", "x", "Caller", 1), glo::Assert_t);
}

}  // namespace
