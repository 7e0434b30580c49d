#include "pal/PAL_UsbEndpoints.h"

namespace pal {
namespace {

// The size bits of wMaxPacketSize; the bits above count extra transactions
// of high-speed periodic endpoints.
constexpr std::uint16_t kPacketSizeMask = 0x07FF;

bool IsIn(const libusb_endpoint_descriptor& endpoint) {
    return (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
}

int TypeOf(const libusb_endpoint_descriptor& endpoint) {
    return endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
}

}  // namespace

std::optional<UsbUnitInterface_t> UnitEndpointsOf(const libusb_interface_descriptor& interface) {
    if (interface.endpoint == nullptr) {
        return std::nullopt;
    }
    UsbUnitInterface_t unit;
    unit.number = interface.bInterfaceNumber;
    unit.altSetting = interface.bAlternateSetting;
    bool bulkIn = false;
    bool bulkOut = false;
    bool interruptIn = false;
    for (int i = 0; i < interface.bNumEndpoints; ++i) {
        const libusb_endpoint_descriptor& endpoint = interface.endpoint[i];
        const int type = TypeOf(endpoint);
        if (type == LIBUSB_TRANSFER_TYPE_BULK && IsIn(endpoint) && !bulkIn) {
            bulkIn = true;
            unit.bulkIn = endpoint.bEndpointAddress;
        } else if (type == LIBUSB_TRANSFER_TYPE_BULK && !IsIn(endpoint) && !bulkOut) {
            bulkOut = true;
            unit.bulkOut = endpoint.bEndpointAddress;
            unit.packetSize = endpoint.wMaxPacketSize & kPacketSizeMask;
        } else if (type == LIBUSB_TRANSFER_TYPE_INTERRUPT && IsIn(endpoint) && !interruptIn) {
            interruptIn = true;
            unit.interruptIn = endpoint.bEndpointAddress;
        }
    }
    if (!bulkIn || !bulkOut || !interruptIn) {
        return std::nullopt;
    }
    return unit;
}

std::optional<UsbUnitInterface_t> FindUnitInterface(const libusb_config_descriptor& config) {
    if (config.interface == nullptr) {
        return std::nullopt;
    }
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& interface = config.interface[i];
        if (interface.altsetting == nullptr) {
            continue;
        }
        for (int j = 0; j < interface.num_altsetting; ++j) {
            if (auto unit = UnitEndpointsOf(interface.altsetting[j])) {
                return unit;
            }
        }
    }
    return std::nullopt;
}

}  // namespace pal
