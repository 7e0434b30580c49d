#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "iol/IOL_Packet.h"

namespace ioa {

// Packet 255: the unit's product id, software version and descriptive texts.
class ProductData_t : public iol::Packet_t {
public:
    static constexpr std::uint16_t kId = 255;

    ProductData_t() : iol::Packet_t(kId) {}

    // Appends the texts that arrive complete with their NUL; data too short
    // for the two numbers throws iol::BadFrame_t.
    void FromFrame(const iol::Frame_t& frame) override;
    iol::Frame_t ToFrame() const override;

    // The first text, cut before " Software" (else " software"); empty when
    // the unit sent no text.
    std::string GetDescription() const;

    std::uint16_t productId = 0;
    std::int16_t softwareVersion = 0;
    std::vector<std::string> strings;
};

}  // namespace ioa
