// The built-in capability tables that complete what a unit reports about
// itself, keyed by product id and software version.
#pragma once

#include <cstdint>

#include "ioa/IOA_Protocols.h"

namespace ioa {

// The list of the row with the largest software version not above the
// unit's, or null when the product has no such row. Each table is built from
// its text rows on its own first lookup, exactly once, and is read-only
// afterwards, so any thread may look up.
const ProtocolRecords_t* LookupMainTable(std::uint16_t productId, std::int16_t softwareVersion);
const ProtocolRecords_t* LookupSupplementTable(std::uint16_t productId,
                                               std::int16_t softwareVersion);

// A unit's list as received becomes its completed list: a non-empty list
// gains the missing supplement records and A001, an empty one takes the
// main table's list when there is one.
void CompleteProtocols(ProtocolRecords_t& records, std::uint16_t productId,
                       std::int16_t softwareVersion);

// How often each table has been built in this process (0 or 1).
struct ProtocolTableBuilds_t {
    int main = 0;
    int supplement = 0;
};
ProtocolTableBuilds_t GetProtocolTableBuilds();

}  // namespace ioa
