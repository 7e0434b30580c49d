#pragma once

#include <cstdint>
#include <string>

#include "iol/IOL_Packet.h"

namespace ioa {

// The unit name request is a plain iol::Packet_t with this id and no data.
constexpr std::uint16_t kUnitNameRequestId = 526;

// Packet 525: the unit's name, a NUL-terminated text.
class UnitNamePacket_t : public iol::Packet_t {
public:
    static constexpr std::uint16_t kId = 525;

    UnitNamePacket_t() : iol::Packet_t(kId) {}

    // A name without its NUL throws iol::BadFrame_t.
    void FromFrame(const iol::Frame_t& frame) override;
    iol::Frame_t ToFrame() const override;

    std::string name;
};

}  // namespace ioa
