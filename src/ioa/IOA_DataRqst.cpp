#include "ioa/IOA_DataRqst.h"

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "iol/IOL_FrameStream.h"

namespace ioa {

namespace {
constexpr std::int32_t kHighestMaskBit = 15;
constexpr std::int32_t kHighestDecodedBit = 12;
}  // namespace

void DataRqst_t::Insert(std::int32_t number) {
    glo::Check(number >= 0 && number <= kHighestMaskBit, __FILE__, __LINE__);
    numbers_.insert(number);
}

void DataRqst_t::FromFrame(const iol::Frame_t& frame) {
    glo::Check(frame.GetId() == GetId(), __FILE__, 109);
    iol::FrameStream_t stream(frame);
    std::uint16_t mask = 0;
    stream >> mask;
    if (stream.fail()) {
        throw iol::BadFrame_t(frame, __FILE__, 117);
    }
    for (std::int32_t bit = 0; bit <= kHighestDecodedBit; ++bit) {
        if ((mask >> bit) & 1u) {
            numbers_.insert(bit);
        }
    }
}

iol::Frame_t DataRqst_t::ToFrame() const {
    std::uint32_t mask = 0;
    for (std::int32_t number : numbers_) {
        mask |= 1u << number;
    }
    iol::FrameStream_t stream;
    stream << static_cast<std::uint16_t>(mask & 0xFFFFu);
    glo::Check(stream.good(), __FILE__, 147);
    return iol::Frame_t(GetId(), &stream);
}

}  // namespace ioa
