#include "sim/SIM_UsbBus.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "sim/SIM_Config.h"
#include "sim/SIM_Error.h"

namespace sim {
namespace {

[[noreturn]] void Fail(std::size_t unit, const std::string& what) {
    throw Error_t(__FILE__, __LINE__,
                  std::string(kSimulateVariable) + ": unit " + std::to_string(unit) + ": " + what);
}

std::uint32_t Number(std::size_t unit, std::string_view key, std::string_view value,
                     std::uint32_t max) {
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        number > max) {
        Fail(unit,
             "'" + std::string(key) + "' must be a whole number from 0 to " + std::to_string(max));
    }
    return number;
}

// True when the setting is one of the USB layer's, applied to usb.
bool UsbSetting(std::size_t unit, std::string_view setting, UsbFaults_t& usb) {
    const std::size_t equals = setting.find('=');
    const std::string_view key = TrimSetting(setting.substr(0, equals));
    const std::string_view value = equals == std::string_view::npos
                                       ? std::string_view()
                                       : TrimSetting(setting.substr(equals + 1));
    const bool flag = equals == std::string_view::npos;
    if (key == "noconfirm" && flag) {
        usb.noStartConfirmation = true;
    } else if (key == "noreply" && flag) {
        usb.noStartReply = true;
    } else if (key == "driverversion" && !flag) {
        usb.driverVersion = Number(unit, key, value, 0xFFFFFFFFu);
    } else if (key == "packetsize" && !flag) {
        usb.packetSize = static_cast<std::uint16_t>(Number(unit, key, value, 0xFFFF));
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::shared_ptr<UsbUnit_t> UsbBus_t::Plug(UsbUnitConfig_t config) {
    auto unit = std::make_shared<UsbUnit_t>(std::move(config));
    std::lock_guard<std::mutex> lock(mutex_);
    slots_.push_back(
        {"\\\\?\\quorvel-sim#unit-" + std::to_string(++plugged_) + "#" + kUnitInterfaceClass,
         unit});
    return unit;
}

void UsbBus_t::Unplug(const std::shared_ptr<UsbUnit_t>& unit) {
    unit->Unplug();
    std::lock_guard<std::mutex> lock(mutex_);
    slots_.erase(std::remove_if(slots_.begin(), slots_.end(),
                                [&](const Slot_t& slot) { return slot.unit == unit; }),
                 slots_.end());
}

std::string UsbBus_t::PathOf(const std::shared_ptr<UsbUnit_t>& unit) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Slot_t& slot : slots_) {
        if (slot.unit == unit) {
            return slot.path;
        }
    }
    return {};
}

std::shared_ptr<pal::Device_t> UsbBus_t::Find(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Slot_t& slot : slots_) {
        // Device paths compare without regard to case, as the system's do.
        if (slot.path.size() == path.size() &&
            std::equal(path.begin(), path.end(), slot.path.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return slot.unit;
        }
    }
    return nullptr;
}

std::vector<std::string> UsbBus_t::UnitPaths() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> paths;
    for (const Slot_t& slot : slots_) {
        paths.push_back(slot.path);
    }
    return paths;
}

std::vector<UsbUnitConfig_t> ParseUsbSimulation(std::string_view text) {
    if (text.size() > kMaxConfigLength) {
        return {};  // let the frame-level parser say what is wrong
    }
    std::vector<UsbFaults_t> faults;
    std::string rest;
    std::vector<std::string_view> parts = SplitSettings(text, ';');
    for (std::size_t i = 0; i < parts.size(); ++i) {
        UsbFaults_t usb;
        std::string kept;
        bool anyUsb = false;
        for (std::string_view setting : SplitSettings(parts[i], ',')) {
            if (UsbSetting(i + 1, setting, usb)) {
                anyUsb = true;
            } else {
                kept += kept.empty() ? "" : ",";
                kept += setting;
            }
        }
        if (anyUsb && TrimSetting(kept).empty()) {
            // Only USB settings: the unit must stay a unit (an empty last part
            // would be taken for a trailing ";"), with its default unit ID.
            kept = "unitid=" + std::to_string(i + 1);
        }
        rest += i == 0 ? "" : ";";
        rest += kept;
        faults.push_back(usb);
    }
    std::vector<UsbUnitConfig_t> units;
    for (UnitConfig_t& unit : ParseSimulation(rest)) {
        const std::size_t index = units.size();
        units.push_back({std::move(unit), index < faults.size() ? faults[index] : UsbFaults_t{}});
    }
    return units;
}

std::shared_ptr<UsbBus_t> InstallSimulatedUnits() {
    static std::mutex mutex;
    static std::shared_ptr<UsbBus_t> installed;
    std::lock_guard<std::mutex> lock(mutex);
    if (installed) {
        return installed;
    }
    const char* text = std::getenv(kSimulateVariable);
    if (text == nullptr || TrimSetting(text).empty()) {
        return nullptr;
    }
    auto bus = std::make_shared<UsbBus_t>();
    for (UsbUnitConfig_t& config : ParseUsbSimulation(text)) {
        bus->Plug(std::move(config));
    }
    pal::RegisterDriver(bus);
    installed = bus;
    return installed;
}

}  // namespace sim
