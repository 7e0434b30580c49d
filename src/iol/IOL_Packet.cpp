#include "iol/IOL_Packet.h"

#include "glo/GLO_Exception.h"

namespace iol {

void Packet_t::FromFrame(const Frame_t& frame) {
    glo::Check(frame.GetId() == id_, __FILE__, 68);
}

Frame_t Packet_t::ToFrame() const {
    return Frame_t(id_);
}

}  // namespace iol
