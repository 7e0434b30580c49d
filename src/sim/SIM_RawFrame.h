#pragma once

#include <cstdint>
#include <vector>

namespace sim {

// A frame as the simulated unit exchanges it. Unlike iol::Frame_t it owns
// its bytes outright, so it may cross threads.
struct RawFrame_t {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> data;
    // A packet the unit garbled on its way out: a link reports it as a frame
    // error instead of delivering it.
    bool malformed = false;
};

}  // namespace sim
