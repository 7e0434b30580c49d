// Received USB packets: parsing never reads outside the input, and a well
// formed packet encodes back to the same bytes (reserved bytes as 0).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "iol/IOL_UsbPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto header = iol::ParseUsbPacketHeader(data, size);
    const auto packet = iol::ParseUsbPacket(data, size);
    if ((size >= iol::kUsbHeaderSize) != header.has_value()) {
        std::abort();
    }
    if (!packet) {
        return 0;
    }
    if (packet->size != size - iol::kUsbHeaderSize) {
        std::abort();
    }
    const iol::Frame_t frame = iol::FrameOf(*packet);
    std::vector<std::uint8_t> expected(data, data + size);
    expected[1] = expected[2] = expected[3] = expected[6] = expected[7] = 0;
    const auto encoded =
        iol::EncodeUsbPacket(packet->header.type, frame.GetId(), frame.Bytes(), frame.Size());
    if (encoded != expected) {
        std::abort();
    }
    return 0;
}
