// Device paths of the units on the USB bus, in the shape of the system's
// device interface paths:
//   \\?\usb#vid_0b2d&pid_0003#3-1.4#{2c9c45c2-8e7d-4c08-a12d-816bbae722c0}
// the device's ids, its bus number and the port path from the root hub (as
// Linux names it in sysfs), and the units' interface class. A path stays the
// same while the unit stays in the same port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pal/PAL_UsbIds.h"

namespace pal {

// The deepest USB topology has 7 tiers below the root hub.
constexpr std::size_t kMaxUsbPortDepth = 7;

struct UsbUnitLocation_t {
    UsbId_t id;
    std::uint8_t bus = 0;
    std::vector<std::uint8_t> ports;  // 1 to kMaxUsbPortDepth entries
    bool operator==(const UsbUnitLocation_t&) const = default;
};

// The path in its canonical (lower-case) form.
std::string UsbUnitPath(const UsbUnitLocation_t& location);

// The location a path names; nothing for any other text. Letters compare
// without regard to case; numbers are decimal without leading zeros, ids
// exactly four hex digits.
std::optional<UsbUnitLocation_t> ParseUsbUnitPath(std::string_view path);

}  // namespace pal
