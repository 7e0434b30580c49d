#pragma once

#include <cstdint>

#include "iol/IOL_Frame.h"

namespace iol {

// Base of every packet class; a plain one is a request without data.
class Packet_t {
public:
    explicit Packet_t(std::uint16_t id) : id_(id) {}
    virtual ~Packet_t() = default;

    std::uint16_t GetId() const { return id_; }
    // The base only checks the id (internal check, IOL_Packet line 68).
    virtual void FromFrame(const Frame_t& frame);
    virtual Frame_t ToFrame() const;

private:
    std::uint16_t id_;
};

}  // namespace iol
