#include "iol/IOL_Frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "iol/IOL_Exception.h"
#include "iol/IOL_FrameStream.h"
#include "iol/IOL_Packet.h"
#include "win/WIN_Locale.h"

namespace {

std::string DumpOf(const iol::Frame_t& frame) {
    std::ostringstream out;
    frame.Dump(out);
    return out.str();
}

std::string Spaces(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

TEST(FrameDump, EmptyDataIsTwoLines) {
    EXPECT_EQ(DumpOf(iol::Frame_t(254)), "Frame: (ID,DATA)\nID: 254\n");
}

TEST(FrameDump, ExampleFrame) {
    const std::uint8_t bytes[] = {0x01, 0x41, 0x00};
    const std::string expected =
        "Frame: (ID,DATA)\nID: 255\n0000: 01 41 00 " + Spaces(13 * 3) + "  .A.\n";
    EXPECT_EQ(DumpOf(iol::Frame_t(255, bytes, sizeof bytes)), expected);
}

TEST(FrameDump, SixteenBytesGiveOneFullLine) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 16; ++i) {
        bytes.push_back(static_cast<std::uint8_t>('a' + i));
    }
    EXPECT_EQ(DumpOf(iol::Frame_t(1, bytes.data(), bytes.size())),
              "Frame: (ID,DATA)\nID: 1\n"
              "0000: 61 62 63 64 65 66 67 68 69 6a 6b 6c 6d 6e 6f 70   abcdefghijklmnop\n");
}

TEST(FrameDump, SeventeenthByteStartsSecondLine) {
    std::vector<std::uint8_t> bytes(17, 0x30);
    bytes[16] = 0x7A;
    const std::string dump = DumpOf(iol::Frame_t(2, bytes.data(), bytes.size()));
    const std::string secondLine = "0010: 7a " + Spaces(15 * 3) + "  z\n";
    ASSERT_GE(dump.size(), secondLine.size());
    EXPECT_EQ(dump.substr(dump.size() - secondLine.size()), secondLine);
    EXPECT_NE(dump.find("0000: 30 30"), std::string::npos);
}

// A high byte shows as itself only where the program-wide locale (the
// system's default; the classic one when the system lacks it) calls it
// printable.
char ShownByTheProgramLocale(std::uint8_t byte) {
    std::locale locale = std::locale::classic();
    try {
        locale = win::ProgramLocale();
    } catch (const glo::LocaleDoesNotExist_t&) {
    }
    const auto& ctype = std::use_facet<std::ctype<char>>(locale);
    const char c = static_cast<char>(byte);
    return ctype.is(std::ctype_base::print, c) ? c : '.';
}

TEST(FrameDump, ControlBytesAreDotsAndHexIsLowerCase) {
    const std::uint8_t bytes[] = {0x00, 0x1F, 0x7F, 0x80, 0xAB, 0xFF, 0x20, 0x7E};
    const std::string high = {ShownByTheProgramLocale(0x80), ShownByTheProgramLocale(0xAB),
                              ShownByTheProgramLocale(0xFF)};
    const std::string expected = "Frame: (ID,DATA)\nID: 65535\n0000: 00 1f 7f 80 ab ff 20 7e " +
                                 Spaces(8 * 3) + "  ..." + high + " ~\n";
    EXPECT_EQ(DumpOf(iol::Frame_t(65535, bytes, sizeof bytes)), expected);
}

TEST(FrameDump, LeavesStreamInHexWithZeroFill) {
    const std::uint8_t byte = 1;
    std::ostringstream out;
    iol::Frame_t(1, &byte, 1).Dump(out);
    out.str("");
    out.width(3);
    out << 255;
    EXPECT_EQ(out.str(), "0ff");
}

TEST(FrameDump, OffsetsCountInHex) {
    std::vector<std::uint8_t> bytes(0x101, 0x41);
    const std::string dump = DumpOf(iol::Frame_t(3, bytes.data(), bytes.size()));
    EXPECT_NE(dump.find("\n00f0: "), std::string::npos);
    EXPECT_NE(dump.find("\n0100: 41 "), std::string::npos);
}

TEST(BadFrame, MessageIsTheDump) {
    const std::uint8_t bytes[] = {0x01, 0x41, 0x00};
    const iol::Frame_t frame(255, bytes, sizeof bytes);
    const iol::BadFrame_t error(frame, "IOL_Test", 12);
    EXPECT_EQ(error.message, DumpOf(frame));
    EXPECT_STREQ(error.what(), DumpOf(frame).c_str());
    EXPECT_EQ(error.subId, "");
    EXPECT_EQ(error.SourceLine(), 12);
    EXPECT_TRUE(error.stackTrace.empty());
    const glo::CommunicationsError_t& base = error;  // part of the tree
    EXPECT_EQ(base.SourceFile(), std::string("IOL_Test"));
}

TEST(Frame, CopiesShareDataThatOutlivesTheOriginal) {
    const std::uint8_t bytes[] = {5, 6, 7};
    auto* original = new iol::Frame_t(9, bytes, sizeof bytes);
    const std::uint8_t* shared = original->Bytes();
    iol::Frame_t copy(*original);
    iol::Frame_t assigned(1);
    assigned = copy;
    EXPECT_EQ(copy.Bytes(), shared);
    EXPECT_EQ(assigned.Bytes(), shared);
    EXPECT_EQ(assigned.GetId(), 9);
    delete original;
    EXPECT_EQ(copy.GetData(), (std::vector<std::uint8_t>{5, 6, 7}));
    // ASan reports a leak or a use after free if the count is wrong.
}

TEST(Frame, FromBytesCopiesThem) {
    std::uint8_t bytes[] = {1, 2};
    const iol::Frame_t frame(4, bytes, sizeof bytes);
    bytes[0] = 99;
    EXPECT_EQ(frame.GetData(), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(iol::Frame_t(4, nullptr, 10).Size(), 0u);
}

TEST(Frame, FromStreamTakesTheRestOfTheStream) {
    bin::stringstream stream;
    stream << std::uint8_t{1} << std::uint8_t{2} << std::uint8_t{3};
    std::uint8_t first = 0;
    stream >> first;
    const iol::Frame_t frame(7, &stream);
    EXPECT_EQ(frame.GetData(), (std::vector<std::uint8_t>{2, 3}));
    EXPECT_EQ(iol::Frame_t(7, nullptr).Size(), 0u);

    bin::stringstream failed;
    failed << std::uint8_t{1};
    failed.setstate(std::ios_base::failbit);
    EXPECT_EQ(iol::Frame_t(7, &failed).Size(), 0u);
}

TEST(FrameStream, ReadsTheFrameDataFromTheStart) {
    const std::uint8_t bytes[] = {0x34, 0x12, 'h', 'i', 0};
    iol::FrameStream_t stream(iol::Frame_t(1, bytes, sizeof bytes));
    std::uint16_t value = 0;
    std::string text;
    stream >> value >> text;
    EXPECT_TRUE(stream.good());
    EXPECT_EQ(value, 0x1234);
    EXPECT_EQ(text, "hi");
}

// A packet with one 16-bit field, following the pattern of every packet.
class MaskPacket : public iol::Packet_t {
public:
    MaskPacket() : Packet_t(28) {}
    void FromFrame(const iol::Frame_t& frame) override {
        glo::Check(frame.GetId() == GetId(), "MaskPacket", 1);
        iol::FrameStream_t stream(frame);
        stream >> mask;
        if (stream.fail()) {
            throw iol::BadFrame_t(frame, "MaskPacket", 2);
        }
    }
    iol::Frame_t ToFrame() const override {
        iol::FrameStream_t stream;
        stream << mask;
        glo::Check(stream.good(), "MaskPacket", 3);
        return iol::Frame_t(GetId(), &stream);
    }
    std::uint16_t mask = 0;
};

TEST(Packet, RoundTripAndExtraBytesIgnored) {
    MaskPacket out;
    out.mask = 0xA55A;
    const iol::Frame_t frame = out.ToFrame();
    EXPECT_EQ(frame.GetData(), (std::vector<std::uint8_t>{0x5A, 0xA5}));

    const std::uint8_t longer[] = {0x01, 0x02, 0xEE, 0xEE};
    MaskPacket in;
    in.FromFrame(iol::Frame_t(28, longer, sizeof longer));
    EXPECT_EQ(in.mask, 0x0201);
}

TEST(Packet, ShortDataRaisesBadFrameWithDump) {
    const std::uint8_t shortData[] = {0x01};
    const iol::Frame_t frame(28, shortData, sizeof shortData);
    MaskPacket in;
    try {
        in.FromFrame(frame);
        FAIL() << "no BadFrame_t";
    } catch (const iol::BadFrame_t& error) {
        EXPECT_EQ(error.message, DumpOf(frame));
        EXPECT_EQ(error.SourceLine(), 2);
    }
}

TEST(Packet, PlainPacketChecksIdAndEncodesNoData) {
    iol::Packet_t plain(254);
    const iol::Frame_t frame = plain.ToFrame();
    EXPECT_EQ(frame.GetId(), 254);
    EXPECT_EQ(frame.Size(), 0u);
    EXPECT_NO_THROW(plain.FromFrame(frame));
    try {
        plain.FromFrame(iol::Frame_t(255));
        FAIL() << "no Assert_t";
    } catch (const glo::Assert_t& error) {
        EXPECT_EQ(error.SourceLine(), 68);
        EXPECT_NE(std::string(error.SourceFile()).find("IOL_Packet"), std::string::npos);
    }
}

}  // namespace
