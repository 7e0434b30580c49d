#include "iol/IOL_UsbPacket.h"

#include <cstring>
#include <limits>

#include "glo/GLO_Exception.h"

namespace iol {
namespace {

void PutLittleEndian(std::uint8_t* out, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t GetLittleEndian(const std::uint8_t* in, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    }
    return value;
}

}  // namespace

std::vector<std::uint8_t> EncodeUsbPacket(std::uint8_t type, std::uint16_t id,
                                          const std::uint8_t* data, std::size_t size) {
    glo::Check(size <= std::numeric_limits<std::uint32_t>::max(), __FILE__, __LINE__);
    glo::Check(data != nullptr || size == 0, __FILE__, __LINE__);
    std::vector<std::uint8_t> packet(kUsbHeaderSize + size, 0);
    packet[0] = type;
    PutLittleEndian(&packet[4], id, 2);
    PutLittleEndian(&packet[8], static_cast<std::uint32_t>(size), 4);
    if (size > 0) {
        std::memcpy(packet.data() + kUsbHeaderSize, data, size);
    }
    return packet;
}

std::vector<std::uint8_t> EncodeUsbPacket(const Frame_t& frame) {
    return EncodeUsbPacket(kUsbApplication, frame.GetId(), frame.Bytes(), frame.Size());
}

std::optional<UsbPacketHeader_t> ParseUsbPacketHeader(const std::uint8_t* bytes,
                                                      std::size_t count) {
    if (bytes == nullptr || count < kUsbHeaderSize) {
        return std::nullopt;
    }
    UsbPacketHeader_t header;
    header.type = bytes[0];
    header.id = static_cast<std::uint16_t>(GetLittleEndian(&bytes[4], 2));
    header.dataSize = GetLittleEndian(&bytes[8], 4);
    return header;
}

std::optional<UsbPacketView_t> ParseUsbPacket(const std::uint8_t* bytes, std::size_t count) {
    const auto header = ParseUsbPacketHeader(bytes, count);
    if (!header || header->dataSize != count - kUsbHeaderSize) {
        return std::nullopt;
    }
    UsbPacketView_t packet;
    packet.header = *header;
    packet.size = header->dataSize;
    packet.data = packet.size > 0 ? bytes + kUsbHeaderSize : nullptr;
    return packet;
}

Frame_t FrameOf(const UsbPacketView_t& packet) {
    return Frame_t(packet.header.id, packet.data, packet.size);
}

}  // namespace iol
