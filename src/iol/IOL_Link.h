// The abstract link that carries frames between host and unit.
#pragma once

#include <cstdint>

#include "glo/GLO_NonCopyable.h"
#include "iol/IOL_Frame.h"
#include "iol/IOL_Packet.h"
#include "pal/PAL_Types.h"
#include "win/WIN_Handle.h"

namespace iol {

constexpr std::uint32_t kNoTimeLimit = 0xFFFFFFFFu;

// Driven by one thread, its owner; only the terminate event may be signalled
// from another thread.
class Link_t : private glo::NonCopyable_t {
public:
    // Duplicates the creator's event; failure raises win::Error_t (WIN_Handle 144).
    explicit Link_t(pal::HANDLE terminateEvent);
    virtual ~Link_t();

    virtual Frame_t ReadFrame(std::uint32_t timeout) = 0;
    virtual void WriteFrame(const Frame_t& frame, std::uint32_t timeout) = 0;

    std::uint32_t GetTimeout() const { return timeout_; }
    pal::HANDLE GetTerminateEvent() const { return terminateEvent_.GetHandle(); }

    void Send(const Packet_t& packet, std::uint32_t timeout);
    // Waits for the next frame with the packet's id; others are dropped.
    void Receive(Packet_t& packet, std::uint32_t timeout);

private:
    win::Handle_t terminateEvent_;  // the link's own duplicate, closed with it
    std::uint32_t timeout_ = 3000;
};

}  // namespace iol
