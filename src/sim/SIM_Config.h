// Simulated units described by text, as QUORVEL_SIMULATE gives them; the
// syntax is in docs/simulation.md.
#pragma once

#include <string_view>
#include <vector>

#include "sim/SIM_UnitConfig.h"

namespace sim {

constexpr const char* kSimulateVariable = "QUORVEL_SIMULATE";
constexpr std::size_t kMaxSimulatedUnits = 16;
constexpr std::size_t kMaxConfigLength = 64 * 1024;

// "3": three default units with unit IDs 1 to 3; "product=77,name=Hiker;..."
// one unit per ";"-separated part. Throws sim::Error_t naming the unit and
// the setting that is wrong.
std::vector<UnitConfig_t> ParseSimulation(std::string_view text);
// The units QUORVEL_SIMULATE asks for; none when it is unset or empty.
std::vector<UnitConfig_t> SimulationFromEnvironment();

// The pieces of the syntax, shared with the USB-level settings.
std::string_view TrimSetting(std::string_view text);
std::vector<std::string_view> SplitSettings(std::string_view text, char separator);

}  // namespace sim
