#include "glo/GLO_NoCase.h"

#include <gtest/gtest.h>

#include <string>

#include "glo/GLO_Exception.h"

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(NoCase, OrdersByCharactersWithoutRegardToCase) {
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"COM1", "COM12", -1},  // a prefix sorts first
        {"COM12", "COM2", -1},  // by characters, not numbers
        {"com3", "COM3", 0},
        {"Com3", "cOM4", -1},
        {"a", "_", -1},               // after conversion to upper case: 'A' < '_'
        {"z", "\xc3\xa9", -1},        // single-byte before multi-byte (U+00E9)
        {"\xc3\xa9", "\xc3\x89", 1},  // multi-byte characters by code value only
        {"", "", 0},
        {"", "A", -1},
        {"\xe2\x82\xac", "\xf0\x9f\x98\x80", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sign(glo::CompareNoCase(c.a, c.b)), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(Sign(glo::CompareNoCase(c.b, c.a)), -c.order) << c.b << " / " << c.a;
        EXPECT_EQ(glo::EqualNoCase(c.a, c.b), c.order == 0) << c.a << " / " << c.b;
        EXPECT_EQ(glo::LessNoCase(c.a, c.b), c.order < 0) << c.a << " / " << c.b;
    }
}

unsigned CheckLine(const std::string& a, const std::string& b, bool equality) {
    try {
        equality ? (void)glo::EqualNoCase(a, b) : (void)glo::CompareNoCase(a, b);
    } catch (const glo::Assert_t& error) {
        return error.SourceLine();
    }
    return 0;
}

TEST(NoCase, CharactersTheLocaleCannotMeasureFailTheCheck) {
    const std::string bad[] = {"\xff", "\xc3", "\xc0\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80"};
    for (const std::string& text : bad) {
        EXPECT_FALSE(glo::IsMeasurable(text));
        EXPECT_EQ(CheckLine("A" + text, "A" + text, false), 107u);
        EXPECT_EQ(CheckLine("AB", "A" + text, false), 110u);
        EXPECT_EQ(CheckLine("A" + text, "A" + text, true), 288u);
        EXPECT_EQ(CheckLine("AB", "A" + text, true), 291u);
    }
    EXPECT_TRUE(glo::IsMeasurable("COM5 \xc3\xa9"));
    // The first difference decides before a bad character is reached.
    EXPECT_LT(glo::CompareNoCase("A\xff", "B\xff"), 0);
}

}  // namespace
