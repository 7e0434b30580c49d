#include "win/WIN_ResourceString.h"

#include <gtest/gtest.h>

#include <string>

#include "glo/GLO_Exception.h"
#include "win/WIN_Exception.h"

namespace {

std::string Digits(std::size_t length) {
    std::string text;
    while (text.size() < length) {
        text += "0123456789";
    }
    return text.substr(0, length);
}

// The test module holds, under each ID from this list, a string of that
// many characters: around the 256-byte first load and well past it.
class ResourceStringLengthTest : public ::testing::TestWithParam<int> {};

TEST_P(ResourceStringLengthTest, ArrivesWhole) {
    const int length = GetParam();
    const win::ResourceString_t text(length, __FILE__, __LINE__);
    EXPECT_EQ(text.Id(), length);
    EXPECT_EQ(text.Text(), Digits(static_cast<std::size_t>(length)));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ResourceStringLengthTest,
                         ::testing::Values(1, 253, 254, 255, 256, 600));

TEST(ResourceStringTest, MissingIdIsReportedAtTheCallersLine) {
    try {
        win::ResourceString_t text(4242, "Caller", 77);
        FAIL();
    } catch (const win::Error_t& e) {
        EXPECT_STREQ(e.SourceFile(), "Caller");
        EXPECT_EQ(e.SourceLine(), 77);
    }
}

TEST(ResourceStringTest, FormatFillsThePlaceholder) {
    const win::ResourceString_t text(1000, __FILE__, __LINE__);
    EXPECT_EQ(text.Format("world", __FILE__, __LINE__), "Hello world.");
}

TEST(ResourceStringTest, MalformedTextFailsAtTheFormattingCaller) {
    const win::ResourceString_t text(1001, __FILE__, __LINE__);
    try {
        text.Format("x", "Formatter", 88);
        FAIL();
    } catch (const glo::Assert_t& e) {
        EXPECT_STREQ(e.SourceFile(), "Formatter");
        EXPECT_EQ(e.SourceLine(), 88);
    }
}

}  // namespace
