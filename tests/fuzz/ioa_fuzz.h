// Shared by the decoder fuzz targets: every packet class decodes the bytes
// the unit sends; whatever they hold, decoding throws only the documented
// exceptions and never reads outside the frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "iol/IOL_Frame.h"

template <typename Packet, typename After>
void FuzzDecode(const std::uint8_t* data, std::size_t size, After after) {
    Packet packet;
    const iol::Frame_t frame(packet.GetId(), data, size);
    try {
        packet.FromFrame(frame);
    } catch (const iol::BadFrame_t&) {
        return;
    } catch (const glo::OutOfRange_t&) {
        return;
    }
    after(packet);
}
