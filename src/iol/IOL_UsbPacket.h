// The USB packet that carries one frame (or one link control message): a
// 12-byte little-endian header, then the data.
//   0 type (0 link control, 20 application)   1..3 reserved
//   4 packet id (16 bits)                     6..7 reserved
//   8 data size n (32 bits)                   12.. n data bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "iol/IOL_Frame.h"

namespace iol {

constexpr std::size_t kUsbHeaderSize = 12;
constexpr std::uint8_t kUsbLinkControl = 0;
constexpr std::uint8_t kUsbApplication = 20;

// Ids of the link-control packets (type 0).
constexpr std::uint16_t kUsbDataAvailable = 2;      // unit to host, interrupt pipe, no data
constexpr std::uint16_t kUsbStartRequest = 5;       // host to unit, no data
constexpr std::uint16_t kUsbStartConfirmation = 6;  // unit to host, 4 bytes: unit ID
constexpr std::uint16_t kUsbSecondRequest = 16;     // host to unit, no data
constexpr std::uint16_t kUsbSecondReply = 17;       // unit to host, 4 bytes

// The fields of a header. Reserved bytes are ignored on receipt.
struct UsbPacketHeader_t {
    std::uint8_t type = 0;
    std::uint16_t id = 0;
    std::uint32_t dataSize = 0;
};

// A received packet; data points into the caller's buffer and lives as long
// as that buffer does.
struct UsbPacketView_t {
    UsbPacketHeader_t header;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;  // equals header.dataSize
};

// Header plus data; reserved bytes are 0. The size must fit 32 bits (internal
// check otherwise).
std::vector<std::uint8_t> EncodeUsbPacket(std::uint8_t type, std::uint16_t id,
                                          const std::uint8_t* data, std::size_t size);
// The application packet (type 20) of a frame.
std::vector<std::uint8_t> EncodeUsbPacket(const Frame_t& frame);

// The header at the start of bytes, whatever follows; empty when fewer than
// 12 bytes are given. For assembling a packet from several transfers.
std::optional<UsbPacketHeader_t> ParseUsbPacketHeader(const std::uint8_t* bytes, std::size_t count);
// A complete packet: well formed when it has at least 12 bytes and its size
// field equals its length less 12; empty otherwise. The type is not judged.
std::optional<UsbPacketView_t> ParseUsbPacket(const std::uint8_t* bytes, std::size_t count);

// The frame an application packet carries (made on the calling thread: the
// frame's reference count is not atomic).
Frame_t FrameOf(const UsbPacketView_t& packet);

}  // namespace iol
