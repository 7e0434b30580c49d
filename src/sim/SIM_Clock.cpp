#include "sim/SIM_Clock.h"

namespace sim {

std::uint64_t RealClock_t::Now() const {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void ManualClock_t::AdvanceTo(std::uint64_t time) {
    std::uint64_t now = now_.load();
    while (now < time && !now_.compare_exchange_weak(now, time)) {
    }
}

}  // namespace sim
