#include "sim/SIM_FrameLink.h"

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "pal/PAL_Sync.h"

namespace sim {

FrameLink_t::FrameLink_t(pal::HANDLE terminateEvent, Unit_t& unit)
    : iol::Link_t(terminateEvent), unit_(unit) {}

FrameLink_t::FrameLink_t(pal::HANDLE terminateEvent, Unit_t& unit, ManualClock_t& clock)
    : iol::Link_t(terminateEvent), unit_(unit), virtualClock_(&clock) {
    glo::Check(&unit.GetClock() == &clock, __FILE__, __LINE__);
}

FrameLink_t::~FrameLink_t() = default;

bool FrameLink_t::Terminated() const {
    return pal::WaitForSingleObject(GetTerminateEvent(), 0) == pal::WAIT_OBJECT_0;
}

iol::Frame_t FrameLink_t::Deliver(const RawFrame_t& frame) const {
    iol::Frame_t delivered(frame.id, frame.data.data(), frame.data.size());
    if (frame.malformed) {
        throw iol::BadFrame_t(delivered, __FILE__, __LINE__);
    }
    return delivered;
}

iol::Frame_t FrameLink_t::ReadFrame(std::uint32_t timeout) {
    if (virtualClock_ != nullptr) {
        return ReadVirtual(timeout);
    }
    RawFrame_t frame;
    switch (unit_.WaitFrame(timeout, GetTerminateEvent(), frame)) {
        case Unit_t::Wait_t::Frame:
            return Deliver(frame);
        case Unit_t::Wait_t::Timeout:
            throw glo::Timeout_t(__FILE__, __LINE__);
        case Unit_t::Wait_t::Cancelled:
            break;
    }
    throw glo::Terminate_t(__FILE__, __LINE__);
}

iol::Frame_t FrameLink_t::ReadVirtual(std::uint32_t timeout) {
    const std::uint64_t deadline = virtualClock_->Now() + timeout;
    for (;;) {
        if (Terminated()) {
            throw glo::Terminate_t(__FILE__, __LINE__);
        }
        if (std::optional<RawFrame_t> frame = unit_.PollFrame()) {
            return Deliver(*frame);
        }
        const std::optional<std::uint64_t> due = unit_.NextDueTime();
        if (timeout == iol::kNoTimeLimit && !due) {
            // Nothing will ever come in virtual time: only the terminate
            // event can end this wait.
            pal::WaitForSingleObject(GetTerminateEvent(), pal::INFINITE);
            continue;
        }
        if (!due || (timeout != iol::kNoTimeLimit && *due > deadline)) {
            virtualClock_->AdvanceTo(deadline);
            throw glo::Timeout_t(__FILE__, __LINE__);
        }
        virtualClock_->AdvanceTo(*due);
    }
}

void FrameLink_t::WriteFrame(const iol::Frame_t& frame, std::uint32_t timeout) {
    if (stallWrites_) {
        if (virtualClock_ != nullptr) {
            if (Terminated()) {
                throw glo::Terminate_t(__FILE__, __LINE__);
            }
            virtualClock_->Advance(timeout);
            throw glo::Timeout_t(__FILE__, __LINE__);
        }
        if (pal::WaitForSingleObject(GetTerminateEvent(), timeout) == pal::WAIT_OBJECT_0) {
            throw glo::Terminate_t(__FILE__, __LINE__);
        }
        throw glo::Timeout_t(__FILE__, __LINE__);
    }
    unit_.FromHost(RawFrame_t{frame.GetId(), frame.GetData(), false});
}

}  // namespace sim
