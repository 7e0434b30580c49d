// Discovery of the GPS units on the USB bus.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "ioa/IOA_ProductData.h"
#include "ioa/IOA_Protocols.h"

namespace iou {

// A unit found on the bus.
struct UnitEntry_t {
    std::string devicePath;   // as UsbLink_t opens it
    std::string displayName;  // what to show for the unit
    ioa::Protocols_t protocols;
    ioa::ProductData_t productData;
};

using UnitMap_t = std::map<std::uint32_t, UnitEntry_t>;

// Opens and identifies every present unit, one entry per unit ID (the last
// found wins). Empty when the setup API is missing or the system too old.
// Throws iou::FutureApi_t for a driver newer than we know, win::Error_t when
// the setup API fails; any other failure leaves the unit out.
UnitMap_t EnumerateUnits();

}  // namespace iou
