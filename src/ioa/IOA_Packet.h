// A packet that carries one value; the system's only instance is the NMEA
// output switch, NmeaSwitch_t.
#pragma once

#include <cstdint>
#include <type_traits>

#include "glo/GLO_Exception.h"
#include "iol/IOL_Exception.h"
#include "iol/IOL_FrameStream.h"
#include "iol/IOL_Packet.h"

namespace ioa {

template <std::uint16_t ID, typename T>
requires std::is_integral_v<T>
class Packet_t : public iol::Packet_t {
public:
    explicit Packet_t(T value_ = T()) : iol::Packet_t(ID), value(value_) {}

    void FromFrame(const iol::Frame_t& frame) override {
        glo::Check(frame.GetId() == GetId(), __FILE__, 80);
        iol::FrameStream_t stream(frame);
        stream >> value;
        if (stream.fail()) {
            throw iol::BadFrame_t(frame, __FILE__, 87);
        }
    }

    iol::Frame_t ToFrame() const override {
        iol::FrameStream_t stream;
        stream << value;
        glo::Check(stream.good(), __FILE__, 101);
        return iol::Frame_t(GetId(), &stream);
    }

    T value;
};

// Packet 181: 1 switches the unit's NMEA output on, 0 off.
using NmeaSwitch_t = Packet_t<181, unsigned char>;

}  // namespace ioa
