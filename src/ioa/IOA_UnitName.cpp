#include "ioa/IOA_UnitName.h"

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "iol/IOL_FrameStream.h"

namespace ioa {

void UnitNamePacket_t::FromFrame(const iol::Frame_t& frame) {
    glo::Check(frame.GetId() == GetId(), __FILE__, 81);
    iol::FrameStream_t stream(frame);
    stream >> name;
    if (stream.fail()) {
        throw iol::BadFrame_t(frame, __FILE__, 88);
    }
}

iol::Frame_t UnitNamePacket_t::ToFrame() const {
    iol::FrameStream_t stream;
    stream << name;
    glo::Check(stream.good(), __FILE__, 102);
    return iol::Frame_t(GetId(), &stream);
}

}  // namespace ioa
