// Real units: a driver of the device model over libusb. A unit is an
// interface with a bulk IN, a bulk OUT and an interrupt IN endpoint on a USB
// device whose ids the user has listed (PAL_UsbIds.h); the driver lists the
// present units on the unit bus (PAL_UsbPath.h) and serves the unit driver
// interface with asynchronous transfers, driven by one libusb event thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "pal/PAL_Driver.h"
#include "pal/PAL_UsbEndpoints.h"

namespace pal {

constexpr std::size_t kUsbInterruptChunk = 64;
constexpr std::size_t kUsbBulkChunk = 4096;

// What a request comes to on a unit: an answer of the driver's own, a
// transfer on one endpoint, or a refusal.
struct UsbRequestPlan_t {
    enum class Action_t { Answer, Transfer, Fail };
    Action_t action = Action_t::Fail;
    DWORD error = 0;            // Fail
    std::vector<BYTE> answer;   // Answer, little-endian
    std::uint8_t endpoint = 0;  // Transfer
    std::uint8_t type = 0;      // LIBUSB_TRANSFER_TYPE_BULK or _INTERRUPT
    std::size_t length = 0;     // bytes to read, or to write (0: a zero-length transfer)
};
UsbRequestPlan_t PlanUsbRequest(const DeviceRequest_t& request, const UsbUnitInterface_t& unit);

// Thread-safe.
class UsbDriver_t final : public Driver_t {
public:
    // Initialises libusb; when that fails (no USB on the machine) the driver
    // serves nothing and lists no unit.
    UsbDriver_t();
    ~UsbDriver_t() override;

    bool HasUsb() const;
    // Opens the unit: claims its interface (detaching a kernel driver that
    // holds it). Null, so that the open fails with 2, for paths of no present
    // listed unit and for units that cannot be opened or claimed.
    std::shared_ptr<Device_t> Find(const std::string& path) override;
    std::vector<std::string> UnitPaths() override;

private:
    struct State_t;
    std::shared_ptr<State_t> state_;
};

// The driver, registered with the device model for the life of the process
// (the application calls it at start, next to sim::InstallSimulatedUnits).
// Called again, returns the same driver.
std::shared_ptr<UsbDriver_t> InstallUsbUnits();

namespace testhooks {

// Drivers made from now on behave as if libusb could not be initialised.
void FailUsbInit(bool fail);

}  // namespace testhooks

}  // namespace pal
