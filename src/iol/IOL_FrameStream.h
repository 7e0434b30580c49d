#pragma once

#include "bin/BIN_Stream.h"
#include "iol/IOL_Frame.h"

namespace iol {

// The stream packets encode into and decode from.
class FrameStream_t : public bin::stringstream {
public:
    FrameStream_t() = default;
    explicit FrameStream_t(const Frame_t& frame);
};

}  // namespace iol
