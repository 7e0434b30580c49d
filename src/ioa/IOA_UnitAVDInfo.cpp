#include "ioa/IOA_UnitAVDInfo.h"

#include <utility>

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "iol/IOL_FrameStream.h"

namespace ioa {

UnitAVDInfo_t::UnitAVDInfo_t(std::uint32_t value1_, std::uint32_t value2_, std::uint32_t value3_,
                             std::vector<std::uint8_t> block_, std::uint16_t finalByte_)
    : iol::Packet_t(kId),
      value1(value1_),
      value2(value2_),
      value3(value3_),
      block(std::move(block_)),
      finalByte(finalByte_) {
    glo::Check(block.size() == kBlockSize, __FILE__, 84);
    glo::Check(finalByte < 256, __FILE__, 87);
}

void UnitAVDInfo_t::FromFrame(const iol::Frame_t& frame) {
    glo::Check(frame.GetId() == GetId(), __FILE__, 127);
    iol::FrameStream_t stream(frame);
    stream >> value1 >> value2 >> value3;
    if (stream.fail()) {
        throw iol::BadFrame_t(frame, __FILE__, 134);
    }
    for (std::size_t i = 0; i < kBlockSize; ++i) {
        const auto byte = stream.get();
        if (byte < 0 || byte > 255) {
            throw glo::OutOfRange_t(__FILE__, 140, {});
        }
        block.push_back(static_cast<std::uint8_t>(byte));
    }
    if (stream.fail()) {
        throw iol::BadFrame_t(frame, __FILE__, 146);
    }
    const auto last = stream.get();
    if (stream.fail()) {
        throw iol::BadFrame_t(frame, __FILE__, 154);
    }
    finalByte = static_cast<std::uint16_t>(last);
}

iol::Frame_t UnitAVDInfo_t::ToFrame() const {
    iol::FrameStream_t stream;
    stream << value1 << value2 << value3;
    glo::Check(stream.good(), __FILE__, 175);
    for (std::uint8_t byte : block) {
        stream.put(static_cast<char>(byte));
    }
    glo::Check(stream.good(), __FILE__, 182);
    stream.put(static_cast<char>(finalByte & 0xFFu));
    glo::Check(stream.good(), __FILE__, 189);
    return iol::Frame_t(GetId(), &stream);
}

}  // namespace ioa
