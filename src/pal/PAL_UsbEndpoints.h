// Which interface of a USB device is a GPS unit: one with a bulk IN, a bulk
// OUT and an interrupt IN endpoint. Pure functions over the descriptors
// libusb parsed, treated as hostile (counts and pointers are checked).
#pragma once

#include <libusb.h>

#include <cstdint>
#include <optional>

namespace pal {

struct UsbUnitInterface_t {
    std::uint8_t number = 0;      // bInterfaceNumber
    std::uint8_t altSetting = 0;  // bAlternateSetting
    std::uint8_t bulkIn = 0;      // endpoint addresses
    std::uint8_t bulkOut = 0;
    std::uint8_t interruptIn = 0;
    std::uint16_t packetSize = 0;  // the bulk OUT endpoint's maximum packet size
    bool operator==(const UsbUnitInterface_t&) const = default;
};

// The interface's unit endpoints (the first of each kind), or nothing when
// one kind is missing.
std::optional<UsbUnitInterface_t> UnitEndpointsOf(const libusb_interface_descriptor& interface);

// The first interface (in descriptor order, alternate settings included)
// that has the unit endpoints.
std::optional<UsbUnitInterface_t> FindUnitInterface(const libusb_config_descriptor& config);

}  // namespace pal
