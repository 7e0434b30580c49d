#include <gtest/gtest.h>

#include "ioa/IOA_ProtocolTable.h"

namespace {

constexpr const char* kTail = " P000 A000 A600 D600 A700 D700";

std::string Main(std::uint16_t product, std::int16_t version) {
    const ioa::ProtocolRecords_t* row = ioa::LookupMainTable(product, version);
    return row == nullptr ? "(none)" : ioa::FormatProtocolRecords(*row);
}

std::string Completed(const char* sent, std::uint16_t product, std::int16_t version) {
    ioa::ProtocolRecords_t records;
    EXPECT_TRUE(ioa::ParseProtocolRecords(sent, records));
    ioa::CompleteProtocols(records, product, version);
    return ioa::FormatProtocolRecords(records);
}

TEST(ProtocolTable, MainLookupTakesTheLargestVersionNotAbove) {
    const std::string row0 = "L001 A010 A100 D100 A200 D201 D100 A300 D300 A400 D400 A500 D501";
    const std::string row301 = "L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501";
    const std::string row350 = "L001 A010 A100 D103 A200 D201 D103 A300 D300 A500 D501";
    const std::string row361 = row301;
    const struct {
        std::uint16_t product;
        std::int16_t version;
        std::string expected;
    } cases[] = {
        {77, 355, row350 + kTail},
        {77, 350, row350 + kTail},
        {77, 349, row301 + kTail},
        {77, 300, row0 + kTail},
        {77, 0, row0 + kTail},
        {77, 361, row361 + kTail},
        {77, 500, row361 + kTail},
        {77, 32767, row361 + kTail},
        {77, static_cast<std::int16_t>(0x8000), "(none)"},  // reads as negative
        {77, static_cast<std::int16_t>(0xFFFF), "(none)"},
        {78, 300, "(none)"},
        {0, 0, "(none)"},
        {65535, 0, "(none)"},
        // The first and the last row, and a product with two rows.
        {7, 5, "L001 A010 A100 D100 A200 D200 D100 A500 D500" + std::string(kTail)},
        {112, 1,
         "L001 A010 A100 D152 A200 D201 D152 A300 D300 A500 D501 A903" + std::string(kTail)},
        {29, 399,
         "L001 A010 A100 D101 A200 D201 D101 A300 D300 A400 D101 A500 D500" + std::string(kTail)},
        {29, 400,
         "L001 A010 A100 D102 A200 D201 D102 A300 D300 A400 D102 A500 D500" + std::string(kTail)},
        {20, 0, "L002 A011 A100 D150 A200 D201 D150 A400 D450 A500 D550" + std::string(kTail)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Main(c.product, c.version), c.expected) << c.product << " " << c.version;
    }
}

TEST(ProtocolTable, EveryMainProductIsFoundFromVersionZero) {
    const std::uint16_t products[] = {7,  13, 14, 15, 18, 20, 22,  23,  24,  25,  29, 31, 33,
                                      34, 35, 36, 39, 41, 42, 44,  45,  47,  48,  49, 50, 52,
                                      53, 55, 56, 59, 61, 62, 64,  71,  72,  73,  74, 76, 77,
                                      87, 88, 95, 96, 97, 98, 100, 103, 105, 106, 112};
    for (std::uint16_t product : products) {
        const ioa::ProtocolRecords_t* row = ioa::LookupMainTable(product, 0);
        ASSERT_NE(row, nullptr) << product;
        EXPECT_TRUE(ioa::FormatProtocolRecords(*row).ends_with(kTail + 1)) << product;
        EXPECT_EQ(ioa::LookupMainTable(product, -1), nullptr) << product;
    }
}

TEST(ProtocolTable, SupplementRowsWithoutRecordsEndARange) {
    const struct {
        std::uint16_t product;
        std::int16_t version;
        const char* expected;
    } cases[] = {
        {67, 201, "(none)"}, {67, 202, "A900"},   {67, 204, "A900"}, {67, 205, ""},
        {67, 9999, ""},      {22, 0, "A903"},     {22, 500, "A903"}, {129, 201, "A900"},
        {129, 202, ""},      {77, 350, "(none)"},
    };
    for (const auto& c : cases) {
        const ioa::ProtocolRecords_t* row = ioa::LookupSupplementTable(c.product, c.version);
        EXPECT_EQ(row == nullptr ? "(none)" : ioa::FormatProtocolRecords(*row), c.expected)
            << c.product << " " << c.version;
    }
}

TEST(ProtocolTable, Completion) {
    const struct {
        const char* sent;
        std::uint16_t product;
        std::int16_t version;
        std::string expected;
    } cases[] = {
        {"L001 A010", 67, 203, "L001 A010 A900 A001"},
        {"L001 A010", 67, 205, "L001 A010 A001"},
        {"L001 A010", 67, 150, "L001 A010 A001"},
        {"A903 A001", 22, 0, "A903 A001"},
        {"A001 L001", 22, 0, "A001 L001 A903"},
        {"L001", 999, 0, "L001 A001"},
        {"", 999, 0, ""},
        {"", 77, 355,
         "L001 A010 A100 D103 A200 D201 D103 A300 D300 A500 D501" + std::string(kTail)},
        // An empty list is not completed from the supplement table.
        {"", 67, 203, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Completed(c.sent, c.product, c.version), c.expected)
            << c.sent << " / " << c.product << " " << c.version;
    }
}

}  // namespace
