#pragma once

#include <cstdint>
#include <set>

#include "iol/IOL_Packet.h"

namespace ioa {

// Packet 28: a set of request numbers sent as a 16-bit mask.
class DataRqst_t : public iol::Packet_t {
public:
    static constexpr std::uint16_t kId = 28;

    DataRqst_t() : iol::Packet_t(kId) {}

    // Numbers must lie in 0 to 15, the bits of the mask.
    void Insert(std::int32_t number);
    const std::set<std::int32_t>& GetNumbers() const { return numbers_; }

    // Adds the numbers 0 to 12 whose bits are set; bits 13 to 15 are ignored.
    void FromFrame(const iol::Frame_t& frame) override;
    iol::Frame_t ToFrame() const override;

private:
    std::set<std::int32_t> numbers_;
};

}  // namespace ioa
