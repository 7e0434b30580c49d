#pragma once

#include <cstdint>
#include <vector>

#include "iol/IOL_Packet.h"

namespace ioa {

// Packet 38, the unit information record: three 32-bit values, a block of
// 7 bytes and a final byte, 20 bytes in all. No flow of the program
// exchanges it.
class UnitAVDInfo_t : public iol::Packet_t {
public:
    static constexpr std::uint16_t kId = 38;
    static constexpr std::size_t kBlockSize = 7;

    UnitAVDInfo_t() : iol::Packet_t(kId) {}
    // The block must hold exactly 7 bytes and the final byte be below 256.
    UnitAVDInfo_t(std::uint32_t value1, std::uint32_t value2, std::uint32_t value3,
                  std::vector<std::uint8_t> block, std::uint16_t finalByte);

    // Appends the 7 bytes to the block. Data ending inside the block throws
    // glo::OutOfRange_t, other short data iol::BadFrame_t.
    void FromFrame(const iol::Frame_t& frame) override;
    iol::Frame_t ToFrame() const override;

    std::uint32_t value1 = 0;
    std::uint32_t value2 = 0;
    std::uint32_t value3 = 0;
    std::vector<std::uint8_t> block;
    std::uint16_t finalByte = 0;  // below 256
};

}  // namespace ioa
