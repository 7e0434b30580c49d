// Simulated units on the unit bus: a pal driver that serves the device
// paths of the units plugged into it.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "pal/PAL_Driver.h"
#include "sim/SIM_UsbUnit.h"

namespace sim {

// The GPS units' device interface class, as it appears in their paths.
constexpr const char* kUnitInterfaceClass = "{2C9C45C2-8E7D-4C08-A12D-816BBAE722C0}";

// Thread-safe. Register it with pal::RegisterDriver to put its units on the
// bus (Install does both).
class UsbBus_t final : public pal::Driver_t {
public:
    // Plugs a new unit in and returns it; its path is "\\?\quorvel-sim#unit-N#" and
    // the interface class, N counting from 1 per bus.
    std::shared_ptr<UsbUnit_t> Plug(UsbUnitConfig_t config);
    // Pulls the unit out: requests fail with 1167, the path disappears.
    void Unplug(const std::shared_ptr<UsbUnit_t>& unit);
    std::string PathOf(const std::shared_ptr<UsbUnit_t>& unit);

    std::shared_ptr<pal::Device_t> Find(const std::string& path) override;
    std::vector<std::string> UnitPaths() override;

private:
    struct Slot_t {
        std::string path;
        std::shared_ptr<UsbUnit_t> unit;
    };
    std::mutex mutex_;
    std::vector<Slot_t> slots_;
    unsigned plugged_ = 0;
};

// "usb" settings of QUORVEL_SIMULATE, taken out of each unit's part before the
// rest goes to sim::ParseSimulation: noconfirm, noreply, driverversion=N,
// packetsize=N. Throws sim::Error_t like the parser.
std::vector<UsbUnitConfig_t> ParseUsbSimulation(std::string_view text);

// A bus with the units QUORVEL_SIMULATE describes, registered with the
// device model for the life of the process; null when the variable is unset
// or empty. Called again, returns the same bus.
std::shared_ptr<UsbBus_t> InstallSimulatedUnits();

}  // namespace sim
