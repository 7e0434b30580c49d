#include "iol/IOL_Link.h"

#include "glo/GLO_Exception.h"
#include "pal/PAL_Sync.h"

namespace iol {

Link_t::Link_t(pal::HANDLE terminateEvent) {
    // The creator keeps and closes its own handle.
    win::Handle_t creators(terminateEvent);
    try {
        creators.Duplicate(terminateEvent_);
    } catch (...) {
        creators.Release();
        throw;
    }
    creators.Release();
}

Link_t::~Link_t() = default;

void Link_t::Send(const Packet_t& packet, std::uint32_t timeout) {
    WriteFrame(packet.ToFrame(), timeout);
}

void Link_t::Receive(Packet_t& packet, std::uint32_t timeout) {
    const std::uint32_t start = pal::GetTickCount();
    for (;;) {
        // Unsigned difference: correct across the tick count's wrap.
        if (timeout != kNoTimeLimit && pal::GetTickCount() - start > timeout) {
            throw glo::Timeout_t(__FILE__, 30);
        }
        // Each read gets the whole timeout, so unrelated frames can stretch
        // the wait somewhat beyond it.
        const Frame_t frame = ReadFrame(timeout);
        if (frame.GetId() == packet.GetId()) {
            packet.FromFrame(frame);
            return;
        }
    }
}

}  // namespace iol
