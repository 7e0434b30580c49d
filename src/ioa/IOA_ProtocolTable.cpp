#include "ioa/IOA_ProtocolTable.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <string_view>

#include "glo/GLO_Exception.h"

namespace ioa {

namespace {

// Rows: product id, software version, records. Every main row is followed
// by kMainTail.
constexpr std::string_view kMainTail = "P000 A000 A600 D600 A700 D700";

constexpr std::string_view kMainRows[] = {
    "7 0 L001 A010 A100 D100 A200 D200 D100 A500 D500",
    "13 0 L001 A010 A100 D100 A200 D200 D100 A300 D300 A400 D400 A500 D500",
    "14 0 L001 A010 A100 D100 A200 D200 D100 A400 D400 A500 D500",
    "15 0 L001 A010 A100 D151 A200 D200 D151 A400 D151 A500 D500",
    "18 0 L001 A010 A100 D100 A200 D200 D100 A300 D300 A400 D400 A500 D500",
    "20 0 L002 A011 A100 D150 A200 D201 D150 A400 D450 A500 D550",
    "22 0 L001 A010 A100 D152 A200 D200 D152 A300 D300 A400 D152 A500 D500 A903",
    "23 0 L001 A010 A100 D100 A200 D200 D100 A300 D300 A400 D400 A500 D500",
    "24 0 L001 A010 A100 D100 A200 D200 D100 A300 D300 A400 D400 A500 D500",
    "25 0 L001 A010 A100 D100 A200 D200 D100 A300 D300 A400 D400 A500 D500",
    "29 0 L001 A010 A100 D101 A200 D201 D101 A300 D300 A400 D101 A500 D500",
    "29 400 L001 A010 A100 D102 A200 D201 D102 A300 D300 A400 D102 A500 D500",
    "31 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "33 0 L002 A011 A100 D150 A200 D201 D150 A400 D450 A500 D550",
    "34 0 L002 A011 A100 D150 A200 D201 D150 A400 D450 A500 D550",
    "35 0 L001 A010 A100 D100 A200 D200 D100 A300 D300 A400 D400 A500 D500",
    "36 0 L001 A010 A100 D152 A200 D200 D152 A300 D300 A400 D152 A500 D500 A903",
    "36 300 L001 A010 A100 D152 A200 D200 D152 A300 D300 A500 D500 A903",
    "39 0 L001 A010 A100 D151 A200 D201 D151 A300 D300 A500 D500 A903",
    "41 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "42 0 L001 A010 A100 D100 A200 D200 D100 A300 D300 A400 D400 A500 D500",
    "44 0 L001 A010 A100 D101 A200 D201 D101 A300 D300 A400 D101 A500 D500",
    "45 0 L001 A010 A100 D152 A200 D201 D152 A300 D300 A500 D500 A903",
    "47 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "48 0 L001 A010 A100 D154 A200 D201 D154 A300 D300 A500 D501 A903",
    "49 0 L001 A010 A100 D102 A200 D201 D102 A300 D300 A400 D102 A500 D501",
    "50 0 L001 A010 A100 D152 A200 D201 D152 A300 D300 A500 D501",
    "52 0 L002 A011 A100 D150 A200 D201 D150 A400 D450 A500 D550",
    "53 0 L001 A010 A100 D152 A200 D201 D152 A300 D300 A500 D501 A903",
    "55 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "56 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "59 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "61 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "62 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "64 0 L002 A011 A100 D150 A200 D201 D150 A400 D450 A500 D551",
    "71 0 L001 A010 A100 D155 A200 D201 D155 A300 D300 A500 D501 A903",
    "72 0 L001 A010 A100 D104 A200 D201 D104 A300 D300 A500 D501",
    "73 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A500 D501",
    "74 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A500 D500",
    "76 0 L001 A010 A100 D102 A200 D201 D102 A300 D300 A400 D102 A500 D501",
    "77 0 L001 A010 A100 D100 A200 D201 D100 A300 D300 A400 D400 A500 D501",
    "77 301 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "77 350 L001 A010 A100 D103 A200 D201 D103 A300 D300 A500 D501",
    "77 361 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "87 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "88 0 L001 A010 A100 D102 A200 D201 D102 A300 D300 A400 D102 A500 D501",
    "95 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "96 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "97 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A500 D501",
    "98 0 L002 A011 A100 D150 A200 D201 D150 A400 D450 A500 D551",
    "100 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "103 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A500 D501",
    "105 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "106 0 L001 A010 A100 D103 A200 D201 D103 A300 D300 A400 D403 A500 D501",
    "112 0 L001 A010 A100 D152 A200 D201 D152 A300 D300 A500 D501 A903",
};

// A row without records ends the range of the product's row before it.
constexpr std::string_view kSupplementRows[] = {
    "22 0 A903", "36 0 A903",   "39 0 A903",    "45 0 A903", "48 0 A903",
    "53 0 A903", "67 202 A900", "67 205",       "71 0 A903", "78 200 A900",
    "78 206",    "112 0 A903",  "118 202 A900", "118 204",   "119 200 A900",
    "119 203",   "128 0 A903",  "129 200 A900", "129 202",
};

// Product id, then software version (as the unit's signed number).
using Table_t = std::map<std::uint16_t, std::map<std::int32_t, ProtocolRecords_t>>;

std::atomic<int> mainBuilds{0};
std::atomic<int> supplementBuilds{0};

bool ReadDecimal(std::string_view& text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    const std::size_t first = i;
    std::int32_t number = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && number < 100000) {
        number = number * 10 + (text[i++] - '0');
    }
    text.remove_prefix(i);
    value = number;
    return i > first;
}

// The rows are built in; a row that does not read is a defect of this file.
Table_t BuildTable(const std::string_view* rows, std::size_t count, std::string_view tail) {
    Table_t table;
    for (std::size_t r = 0; r < count; ++r) {
        std::string_view text = rows[r];
        std::int32_t product = 0;
        std::int32_t version = 0;
        glo::Check(ReadDecimal(text, product) && ReadDecimal(text, version), __FILE__, __LINE__);
        glo::Check(product <= 0xFFFF && version <= 0x7FFF, __FILE__, __LINE__);
        ProtocolRecords_t records;
        glo::Check(ParseProtocolRecords(text, records) && ParseProtocolRecords(tail, records),
                   __FILE__, __LINE__);
        table[static_cast<std::uint16_t>(product)][version] = std::move(records);
    }
    return table;
}

const Table_t& MainTable() {
    // A function-local static is initialised exactly once; concurrent first
    // callers wait until it is complete.
    static const Table_t table = [] {
        mainBuilds.fetch_add(1);
        return BuildTable(kMainRows, std::size(kMainRows), kMainTail);
    }();
    return table;
}

const Table_t& SupplementTable() {
    static const Table_t table = [] {
        supplementBuilds.fetch_add(1);
        return BuildTable(kSupplementRows, std::size(kSupplementRows), {});
    }();
    return table;
}

const ProtocolRecords_t* Lookup(const Table_t& table, std::uint16_t productId,
                                std::int16_t softwareVersion) {
    const auto product = table.find(productId);
    if (product == table.end()) {
        return nullptr;
    }
    const auto& versions = product->second;
    auto above = versions.upper_bound(softwareVersion);
    if (above == versions.begin()) {
        return nullptr;
    }
    return &std::prev(above)->second;
}

bool Contains(const ProtocolRecords_t& records, const ProtocolRecord_t& record) {
    return std::find(records.begin(), records.end(), record) != records.end();
}

}  // namespace

const ProtocolRecords_t* LookupMainTable(std::uint16_t productId, std::int16_t softwareVersion) {
    return Lookup(MainTable(), productId, softwareVersion);
}

const ProtocolRecords_t* LookupSupplementTable(std::uint16_t productId,
                                               std::int16_t softwareVersion) {
    return Lookup(SupplementTable(), productId, softwareVersion);
}

void CompleteProtocols(ProtocolRecords_t& records, std::uint16_t productId,
                       std::int16_t softwareVersion) {
    if (records.empty()) {
        if (const ProtocolRecords_t* row = LookupMainTable(productId, softwareVersion)) {
            records = *row;
        }
        return;
    }
    if (const ProtocolRecords_t* row = LookupSupplementTable(productId, softwareVersion)) {
        for (const ProtocolRecord_t& record : *row) {
            if (!Contains(records, record)) {
                records.push_back(record);
            }
        }
    }
    constexpr ProtocolRecord_t kA001{'A', 1};
    if (!Contains(records, kA001)) {
        records.push_back(kA001);
    }
}

ProtocolTableBuilds_t GetProtocolTableBuilds() {
    return {mainBuilds.load(), supplementBuilds.load()};
}

}  // namespace ioa
