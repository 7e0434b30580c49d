#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "iol/IOL_Packet.h"

namespace ioa {

// One capability: a tag letter and a number, written "A010".
struct ProtocolRecord_t {
    char tag = 0;
    std::uint16_t number = 0;

    friend bool operator==(const ProtocolRecord_t&, const ProtocolRecord_t&) = default;
};

using ProtocolRecords_t = std::vector<ProtocolRecord_t>;
using DataTypeSet_t = std::set<std::uint16_t>;

// Reads records written as a tag character followed by a decimal number,
// separated by any white space ("L001 A010 D100"). Returns false, leaving
// records as they were, on anything else or a number above 65535.
bool ParseProtocolRecords(std::string_view text, ProtocolRecords_t& records);
// The records as text, each number in at least three digits.
std::string FormatProtocolRecords(const ProtocolRecords_t& records);

// Packet 253: the unit's protocol capability array, 3 bytes per record.
class Protocols_t : public iol::Packet_t {
public:
    static constexpr std::uint16_t kId = 253;

    Protocols_t() : iol::Packet_t(kId) {}

    // Appends every complete record; a broken last record is ignored.
    void FromFrame(const iol::Frame_t& frame) override;
    iol::Frame_t ToFrame() const override;

    bool Contains(const ProtocolRecord_t& record) const;
    // Whether the protocol is listed and the "D" record k places after it is
    // in dataTypeSets[k - 1] for every set; a list with too few "D" records
    // after the protocol throws ioa::Exception_t.
    bool Supports(const ProtocolRecord_t& protocol,
                  const std::vector<DataTypeSet_t>& dataTypeSets = {}) const;

    ProtocolRecords_t records;
};

}  // namespace ioa
