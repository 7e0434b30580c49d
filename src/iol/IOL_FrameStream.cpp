#include "iol/IOL_FrameStream.h"

namespace iol {

FrameStream_t::FrameStream_t(const Frame_t& frame) {
    for (const std::uint8_t byte : frame.GetData()) {
        put(static_cast<char>(byte));
    }
}

}  // namespace iol
