#include "ioa/IOA_ReceiveSentences.h"

#include "ioa/IOA_NmeaSentence.h"

namespace ioa {

namespace {

void SwitchOffQuietly(Channel_t& channel) noexcept {
    try {
        channel.DisableNmea();
    } catch (...) {
        // The loop is already ending for its own reason; that one is reported.
    }
}

}  // namespace

void ReceiveSentences(Channel_t& channel, const SentenceHandler_t& onSentence) {
    iol::Link_t& link = channel.GetLink();
    try {
        // Inside the guarded region: a switch-on that fails half-way is
        // still undone.
        channel.EnableNmea();
        for (;;) {
            NmeaSentence_t packet;
            link.Receive(packet, link.GetTimeout());
            onSentence(packet.GetSentence());
        }
    } catch (...) {
        SwitchOffQuietly(channel);
        throw;
    }
}

}  // namespace ioa
