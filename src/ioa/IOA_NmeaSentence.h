#pragma once

#include <cstdint>
#include <string>

#include "iol/IOL_Packet.h"

namespace ioa {

// Packet 180: one NMEA sentence, passed on exactly as the unit sent it.
class NmeaSentence_t : public iol::Packet_t {
public:
    static constexpr std::uint16_t kId = 180;

    NmeaSentence_t() : iol::Packet_t(kId) {}

    // The sentence becomes the data up to the first NUL, or all of it.
    void FromFrame(const iol::Frame_t& frame) override;
    iol::Frame_t ToFrame() const override;

    const std::string& GetSentence() const { return sentence_; }
    void SetSentence(std::string sentence) { sentence_ = std::move(sentence); }

private:
    std::string sentence_;
};

}  // namespace ioa
