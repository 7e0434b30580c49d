#include "iol/IOL_UsbPacket.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "iol/IOL_Packet.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(UsbPacket, PlainProductRequest) {
    const Bytes expected = {0x14, 0, 0, 0, 0xFE, 0x00, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(iol::EncodeUsbPacket(iol::Packet_t(254).ToFrame()), expected);
}

TEST(UsbPacket, HeaderFieldsAreLittleEndian) {
    const Bytes data = {0xAA, 0xBB, 0xCC};
    const Bytes packet = iol::EncodeUsbPacket(iol::Frame_t(0x020E, data.data(), data.size()));
    const Bytes expected = {20, 0, 0, 0, 0x0E, 0x02, 0, 0, 3, 0, 0, 0, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(packet, expected);
    const Bytes control = iol::EncodeUsbPacket(iol::kUsbLinkControl, 5, nullptr, 0);
    EXPECT_EQ(control, (Bytes{0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(UsbPacket, RoundTripToFrame) {
    const Bytes data = {1, 2, 3, 4};
    const Bytes packet = iol::EncodeUsbPacket(iol::Frame_t(180, data.data(), data.size()));
    const auto view = iol::ParseUsbPacket(packet.data(), packet.size());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->header.type, 20);
    EXPECT_EQ(view->header.id, 180);
    const iol::Frame_t frame = iol::FrameOf(*view);
    EXPECT_EQ(frame.GetId(), 180);
    EXPECT_EQ(frame.GetData(), data);
}

struct ParseCase {
    const char* name;
    Bytes bytes;
    bool wellFormed;
};

const ParseCase kParseCases[] = {
    {"empty", {}, false},
    {"eleven bytes", {20, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, false},
    {"header only", {20, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, true},
    {"size one short", {20, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 9}, false},
    {"size one long", {20, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 9}, false},
    {"huge size", {20, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 9}, false},
    {"reserved bytes ignored", {0, 7, 7, 7, 2, 0, 7, 7, 1, 0, 0, 0, 9}, true},
    {"unknown type still well formed", {99, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 9}, true},
};

TEST(UsbPacket, WellFormedWhenSizeFieldMatchesLength) {
    for (const auto& c : kParseCases) {
        SCOPED_TRACE(c.name);
        const auto view = iol::ParseUsbPacket(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(view.has_value(), c.wellFormed);
        if (view) {
            EXPECT_EQ(view->size, c.bytes.size() - 12);
        }
    }
    EXPECT_FALSE(iol::ParseUsbPacket(nullptr, 12));
}

TEST(UsbPacket, HeaderOfAPartialPacket) {
    const Bytes start = {20, 1, 2, 3, 0xB4, 0x00, 4, 5, 0x00, 0x01, 0x00, 0x00, 'G'};
    const auto header = iol::ParseUsbPacketHeader(start.data(), start.size());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->type, 20);
    EXPECT_EQ(header->id, 180);
    EXPECT_EQ(header->dataSize, 256u);
    EXPECT_FALSE(iol::ParseUsbPacketHeader(start.data(), 11));
}

}  // namespace
