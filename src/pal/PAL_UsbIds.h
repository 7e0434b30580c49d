// The vendor and product ids of the USB devices the user has declared to be
// GPS units. Nothing vendor-specific is built in: only listed devices are
// looked at.
#pragma once

#include <compare>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pal {

struct UsbId_t {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    auto operator<=>(const UsbId_t&) const = default;
};

// The list's registry value below HKEY_LOCAL_MACHINE (REG_SZ; REG_MULTI_SZ is
// read too), and the environment variable that, when set, takes its place.
constexpr const char* kUsbUnitsKey = "Software\\Halvex\\Quorvel\\UsbUnits";
constexpr const char* kUsbIdsValue = "Ids";
constexpr const char* kUsbIdsVariable = "QUORVEL_USB_IDS";

// "0b2d:0003,1234:5678": entries of vendor ":" product, each 1 to 4 hex
// digits in either case, separated by commas, semicolons, white space or
// NULs. Malformed entries are skipped, duplicates kept once, in the order
// first given.
std::vector<UsbId_t> ParseUsbIds(std::string_view text);

// The list in force: QUORVEL_USB_IDS when it is set (an empty one lists no
// device), else the registry value; empty when neither is there. Read anew
// at every call, so a changed list counts at the next search of the bus.
std::vector<UsbId_t> ConfiguredUsbIds();

bool IsListedUsbId(const std::vector<UsbId_t>& ids, UsbId_t id);

}  // namespace pal
