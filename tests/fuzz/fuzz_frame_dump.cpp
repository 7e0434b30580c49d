// Frame dumps and field decoding of arbitrary frames: the first two bytes
// are the id, the rest the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "iol/IOL_Exception.h"
#include "iol/IOL_Frame.h"
#include "iol/IOL_FrameStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const auto id = static_cast<std::uint16_t>(data[0] | data[1] << 8);
    const iol::Frame_t frame(id, data + 2, size - 2);
    const iol::BadFrame_t error(frame, "fuzz", 1);
    std::size_t lines = 0;
    for (const char c : error.message) {
        lines += c == '\n' ? 1 : 0;
    }
    // One line per 16 bytes: a line break is never printable, so the
    // character column cannot hold one.
    if (lines != 2 + (frame.Size() + 15) / 16) {
        std::abort();
    }

    // Decode like a packet with mixed fields until the data runs out.
    iol::FrameStream_t stream(frame);
    std::uint32_t word = 0;
    std::uint16_t half = 0;
    std::string text;
    while (stream.good()) {
        stream >> word >> text >> half;
    }
    const iol::Frame_t rest(id, &stream);  // a failed stream gives no data
    if (rest.Size() != 0) {
        std::abort();
    }
    return 0;
}
