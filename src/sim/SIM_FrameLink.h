// An iol::Link_t straight onto a simulated unit, without USB in between.
#pragma once

#include <atomic>
#include <cstdint>

#include "iol/IOL_Link.h"
#include "sim/SIM_Clock.h"
#include "sim/SIM_Unit.h"

namespace sim {

// Owned by one thread like every link; the terminate event may be signalled
// from any thread and ends the current wait at once.
class FrameLink_t final : public iol::Link_t {
public:
    // Real time: reads block on the unit's ready event and the terminate
    // event.
    FrameLink_t(pal::HANDLE terminateEvent, Unit_t& unit);
    // Virtual time: the unit runs on clock, and a read that finds nothing due
    // moves the clock on to the next frame, or by its whole timeout and
    // throws glo::Timeout_t. Waits take no real time.
    FrameLink_t(pal::HANDLE terminateEvent, Unit_t& unit, ManualClock_t& clock);
    ~FrameLink_t() override;

    iol::Frame_t ReadFrame(std::uint32_t timeout) override;
    void WriteFrame(const iol::Frame_t& frame, std::uint32_t timeout) override;

    // A stalled write never completes: it ends with glo::Timeout_t after its
    // timeout, or glo::Terminate_t when the terminate event is signalled.
    void StallWrites(bool stall) { stallWrites_ = stall; }

private:
    iol::Frame_t Deliver(const RawFrame_t& frame) const;
    iol::Frame_t ReadVirtual(std::uint32_t timeout);
    bool Terminated() const;

    Unit_t& unit_;
    ManualClock_t* virtualClock_ = nullptr;
    std::atomic<bool> stallWrites_{false};
};

}  // namespace sim
