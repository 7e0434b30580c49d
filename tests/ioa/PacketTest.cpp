#include <gtest/gtest.h>

#include "FrameHelpers.h"
#include "glo/GLO_Exception.h"
#include "ioa/IOA_DataRqst.h"
#include "ioa/IOA_Exception.h"
#include "ioa/IOA_NmeaSentence.h"
#include "ioa/IOA_Packet.h"
#include "ioa/IOA_ProductData.h"
#include "ioa/IOA_Protocols.h"
#include "ioa/IOA_UnitAVDInfo.h"
#include "ioa/IOA_UnitName.h"
#include "iol/IOL_Exception.h"

namespace {

using ioatest::Bytes;
using ioatest::Concat;
using ioatest::MakeFrame;
using ioatest::TextBytes;

ioa::ProtocolRecords_t Records(const char* text) {
    ioa::ProtocolRecords_t records;
    EXPECT_TRUE(ioa::ParseProtocolRecords(text, records)) << text;
    return records;
}

// --- product data -------------------------------------------------------

TEST(ProductData, DecodesTheExampleUnit) {
    const Bytes data = Concat({{0x4D, 0x00, 0x5E, 0x01},
                               TextBytes("Example Unit Software Version 3.50"),
                               {0},
                               TextBytes("X"),
                               {0}});
    ioa::ProductData_t product;
    product.FromFrame(MakeFrame(255, data));
    EXPECT_EQ(product.productId, 77);
    EXPECT_EQ(product.softwareVersion, 350);
    EXPECT_EQ(product.strings,
              (std::vector<std::string>{"Example Unit Software Version 3.50", "X"}));
    EXPECT_EQ(product.GetDescription(), "Example Unit");
}

TEST(ProductData, TooShortForItsNumbersIsABadFrame) {
    for (const Bytes& data : {Bytes{}, Bytes{0x4D}, Bytes{0x4D, 0x00, 0x5E}}) {
        ioa::ProductData_t product;
        try {
            product.FromFrame(MakeFrame(255, data));
            ADD_FAILURE() << data.size() << " bytes decoded";
        } catch (const iol::BadFrame_t& e) {
            EXPECT_EQ(e.SourceLine(), 102);
            EXPECT_NE(std::string(e.what()).find("ID: 255"), std::string::npos);
        }
    }
}

TEST(ProductData, DropsALastTextWithoutItsNul) {
    const Bytes data = Concat({{0x01, 0x00, 0xFF, 0xFF}, TextBytes("One"), {0}, TextBytes("Tw")});
    ioa::ProductData_t product;
    product.FromFrame(MakeFrame(255, data));
    EXPECT_EQ(product.softwareVersion, -1);
    EXPECT_EQ(product.strings, std::vector<std::string>{"One"});
}

TEST(ProductData, NumbersOnlyGiveNoTextsAndAnEmptyDescription) {
    ioa::ProductData_t product;
    product.FromFrame(MakeFrame(255, {0x07, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(product.strings.empty());
    EXPECT_EQ(product.GetDescription(), "");
}

TEST(ProductData, WrongIdFailsTheCheck) {
    ioa::ProductData_t product;
    EXPECT_THROW(product.FromFrame(MakeFrame(253, {0, 0, 0, 0})), glo::Assert_t);
}

TEST(ProductData, EncodesWhatItDecodes) {
    ioa::ProductData_t product;
    product.productId = 0x1234;
    product.softwareVersion = -2;
    product.strings = {"A", ""};
    const iol::Frame_t frame = product.ToFrame();
    EXPECT_EQ(frame.GetId(), 255);
    EXPECT_EQ(frame.GetData(), (Bytes{0x34, 0x12, 0xFE, 0xFF, 'A', 0, 0}));
    ioa::ProductData_t back;
    back.FromFrame(frame);
    EXPECT_EQ(back.strings, product.strings);
}

TEST(ProductData, DescriptionIsCutBeforeTheSoftwareWord) {
    const struct {
        const char* first;
        const char* description;
    } cases[] = {
        {"Example Unit Software Version 3.50", "Example Unit"},
        {"Unit software", "Unit"},
        {"Unit", "Unit"},
        {" Software first", ""},
        {"Unit Softwares", "Unit"},
        {"A software B Software", "A software B"},  // " Software" is looked for first
        {"", ""},
    };
    for (const auto& c : cases) {
        ioa::ProductData_t product;
        product.strings = {c.first, "second"};
        EXPECT_EQ(product.GetDescription(), c.description) << c.first;
    }
}

// --- protocol array -----------------------------------------------------

TEST(Protocols, DecodesRecordsAndIgnoresABrokenLastOne) {
    const struct {
        Bytes data;
        const char* records;
    } cases[] = {
        {{'L', 0x01, 0x00, 'A', 0x0A, 0x00, 'D'}, "L001 A010"},
        {{'L', 0x01, 0x00, 'A', 0x0A}, "L001"},
        {{}, ""},
        {{'A', 0xF2, 0x03}, "A1010"},
        {{'D', 0xFF, 0xFF}, "D65535"},
    };
    for (const auto& c : cases) {
        ioa::Protocols_t protocols;
        protocols.FromFrame(MakeFrame(253, c.data));
        EXPECT_EQ(ioa::FormatProtocolRecords(protocols.records), c.records);
    }
}

TEST(Protocols, AppendsToWhatItHolds) {
    ioa::Protocols_t protocols;
    protocols.records = Records("P000");
    protocols.FromFrame(MakeFrame(253, {'A', 0x0A, 0x00}));
    EXPECT_EQ(ioa::FormatProtocolRecords(protocols.records), "P000 A010");
}

TEST(Protocols, EncodesThreeBytesPerRecord) {
    ioa::Protocols_t protocols;
    protocols.records = Records("L001 A1010");
    EXPECT_EQ(protocols.ToFrame().GetData(), (Bytes{'L', 0x01, 0x00, 'A', 0xF2, 0x03}));
}

TEST(Protocols, SupportsWithoutDataTypes) {
    const struct {
        const char* list;
        ioa::ProtocolRecord_t protocol;
        bool supported;
    } cases[] = {
        {"L001 A010 A601", {'A', 601}, true},
        {"L001 A010", {'A', 601}, false},
        {"L001 D601", {'A', 601}, false},  // the tag counts
        {"A601", {'A', 601}, true},
        {"", {'A', 601}, false},
        {"L001 A010 A1010", {'A', 1010}, true},
        {"L001 A010 A101", {'A', 1010}, false},
    };
    for (const auto& c : cases) {
        ioa::Protocols_t protocols;
        protocols.records = Records(c.list);
        EXPECT_EQ(protocols.Supports(c.protocol), c.supported) << c.list;
    }
}

TEST(Protocols, SupportsChecksTheDataTypesThatFollow) {
    ioa::Protocols_t protocols;
    protocols.records = Records("L001 A100 D103 A200 D201 D103 A500");
    EXPECT_TRUE(protocols.Supports({'A', 100}, {{100, 103}}));
    EXPECT_FALSE(protocols.Supports({'A', 100}, {{100}}));
    EXPECT_TRUE(protocols.Supports({'A', 200}, {{201}, {103}}));
    EXPECT_FALSE(protocols.Supports({'A', 200}, {{201}, {100}}));
    EXPECT_FALSE(protocols.Supports({'A', 300}, {{1}}));  // absent: no question of data types
}

TEST(Protocols, TooFewDataTypesAfterTheProtocolThrow) {
    ioa::Protocols_t protocols;
    protocols.records = Records("A100 D103 A200 A500 A600");
    const struct {
        ioa::ProtocolRecord_t protocol;
        std::vector<ioa::DataTypeSet_t> sets;
    } cases[] = {
        {{'A', 100}, {{103}, {1}}},  // the record after D103 is A200
        {{'A', 200}, {{1}}},         // followed by another protocol
        {{'A', 600}, {{1}}},         // the last record
    };
    for (const auto& c : cases) {
        try {
            protocols.Supports(c.protocol, c.sets);
            ADD_FAILURE() << c.protocol.number;
        } catch (const ioa::Exception_t& e) {
            EXPECT_EQ(e.SourceLine(), 164);
            EXPECT_STREQ(e.what(), "");
        }
    }
}

TEST(ProtocolRecords, ParseRejectsWhatIsNotARecordList) {
    for (const char* text : {"A", "A 1x", "1", "AB12", "A65536", "A99999999999999999999"}) {
        ioa::ProtocolRecords_t records = Records("L001");
        EXPECT_FALSE(ioa::ParseProtocolRecords(text, records)) << text;
        EXPECT_EQ(records.size(), 1u) << text;
    }
    ioa::ProtocolRecords_t records;
    EXPECT_TRUE(ioa::ParseProtocolRecords("  A 10\tD65535\n", records));
    EXPECT_EQ(ioa::FormatProtocolRecords(records), "A010 D65535");
}

// --- requests -----------------------------------------------------------

TEST(DataRqst, EncodesTheSetAsAMask) {
    ioa::DataRqst_t request;
    EXPECT_EQ(request.ToFrame().GetData(), (Bytes{0x00, 0x00}));
    request.Insert(0);
    request.Insert(3);
    const iol::Frame_t frame = request.ToFrame();
    EXPECT_EQ(frame.GetId(), 28);
    EXPECT_EQ(frame.GetData(), (Bytes{0x09, 0x00}));
    request.Insert(15);
    EXPECT_EQ(request.ToFrame().GetData(), (Bytes{0x09, 0x80}));
    EXPECT_THROW(request.Insert(16), glo::Assert_t);
    EXPECT_THROW(request.Insert(-1), glo::Assert_t);
}

TEST(DataRqst, DecodesBitsZeroToTwelve) {
    ioa::DataRqst_t request;
    request.FromFrame(MakeFrame(28, {0xFF, 0xFF}));
    EXPECT_EQ(request.GetNumbers(),
              (std::set<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ioa::DataRqst_t other;
    other.Insert(15);
    other.FromFrame(MakeFrame(28, {0x02, 0xE0}));
    EXPECT_EQ(other.GetNumbers(), (std::set<std::int32_t>{1, 15}));
}

TEST(DataRqst, ShortDataIsABadFrame) {
    ioa::DataRqst_t request;
    EXPECT_THROW(request.FromFrame(MakeFrame(28, {0x01})), iol::BadFrame_t);
    EXPECT_THROW(request.FromFrame(MakeFrame(29, {0x01, 0x00})), glo::Assert_t);
}

TEST(NmeaSwitch, IsOneByte) {
    const iol::Frame_t on = ioa::NmeaSwitch_t(1).ToFrame();
    EXPECT_EQ(on.GetId(), 181);
    EXPECT_EQ(on.GetData(), Bytes{0x01});
    EXPECT_EQ(ioa::NmeaSwitch_t(0).ToFrame().GetData(), Bytes{0x00});
    ioa::NmeaSwitch_t decoded;
    decoded.FromFrame(MakeFrame(181, {0x01, 0x99}));
    EXPECT_EQ(decoded.value, 1);
}

TEST(NmeaSwitch, EmptyFrameIsABadFrame) {
    ioa::NmeaSwitch_t packet;
    try {
        packet.FromFrame(MakeFrame(181, {}));
        ADD_FAILURE();
    } catch (const iol::BadFrame_t& e) {
        EXPECT_EQ(e.SourceLine(), 87);
    }
    EXPECT_THROW(packet.FromFrame(MakeFrame(180, {1})), glo::Assert_t);
}

// --- sentences, names, unit information ---------------------------------

TEST(NmeaSentence, TakesTheTextUpToTheFirstNul) {
    const struct {
        Bytes data;
        std::string sentence;
    } cases[] = {
        {Concat({TextBytes("$GPGGA,1*00"), {0}}), "$GPGGA,1*00"},
        {Concat({TextBytes("$GPGGA,1*00\r\n"), {0}}), "$GPGGA,1*00\r\n"},
        {{'A', 'B', 0, 'C', 'D'}, "AB"},
        {{'A', 'B', 'C'}, "ABC"},
        {{}, ""},
        {{0}, ""},
        {{0xC3, 0xA9, 0x7F, 0x01}, "\xC3\xA9\x7F\x01"},
    };
    for (const auto& c : cases) {
        ioa::NmeaSentence_t packet;
        packet.FromFrame(MakeFrame(180, c.data));
        EXPECT_EQ(packet.GetSentence(), c.sentence);
    }
}

TEST(NmeaSentence, ReplacesTheSentenceAndEncodesWithANul) {
    ioa::NmeaSentence_t packet;
    packet.FromFrame(MakeFrame(180, TextBytes("LONGER")));
    packet.FromFrame(MakeFrame(180, TextBytes("AB")));
    EXPECT_EQ(packet.GetSentence(), "AB");
    EXPECT_EQ(packet.ToFrame().GetData(), (Bytes{'A', 'B', 0}));
    EXPECT_THROW(packet.FromFrame(MakeFrame(181, {})), glo::Assert_t);
}

TEST(UnitName, NeedsItsNul) {
    ioa::UnitNamePacket_t packet;
    packet.FromFrame(MakeFrame(525, Concat({TextBytes("Hiker"), {0}, TextBytes("junk")})));
    EXPECT_EQ(packet.name, "Hiker");
    packet.FromFrame(MakeFrame(525, {0}));
    EXPECT_EQ(packet.name, "");
    for (const Bytes& data : {Bytes{}, TextBytes("Hiker")}) {
        try {
            packet.FromFrame(MakeFrame(525, data));
            ADD_FAILURE();
        } catch (const iol::BadFrame_t& e) {
            EXPECT_EQ(e.SourceLine(), 88);
        }
    }
    packet.name = "Trail";
    EXPECT_EQ(packet.ToFrame().GetData(), Concat({TextBytes("Trail"), {0}}));
}

TEST(UnitAVDInfo, RoundTripsTwentyBytes) {
    const ioa::UnitAVDInfo_t info(0x01020304, 5, 0xFFFFFFFF, {1, 2, 3, 4, 5, 6, 0xFF}, 0xAB);
    const iol::Frame_t frame = info.ToFrame();
    EXPECT_EQ(frame.GetId(), 38);
    ASSERT_EQ(frame.Size(), 20u);
    EXPECT_EQ(frame.GetData()[0], 0x04);
    ioa::UnitAVDInfo_t back;
    back.FromFrame(frame);
    EXPECT_EQ(back.value1, info.value1);
    EXPECT_EQ(back.value2, info.value2);
    EXPECT_EQ(back.value3, info.value3);
    EXPECT_EQ(back.block, info.block);
    EXPECT_EQ(back.finalByte, info.finalByte);
}

TEST(UnitAVDInfo, ShortDataFailsWhereItEnds) {
    const Bytes full = ioa::UnitAVDInfo_t(1, 2, 3, Bytes(7, 9), 4).ToFrame().GetData();
    const struct {
        std::size_t size;
        unsigned line;
        bool outOfRange;
    } cases[] = {
        {0, 134, false}, {11, 134, false}, {12, 140, true}, {18, 140, true}, {19, 154, false}};
    for (const auto& c : cases) {
        ioa::UnitAVDInfo_t packet;
        const Bytes data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.size));
        try {
            packet.FromFrame(MakeFrame(38, data));
            ADD_FAILURE() << c.size;
        } catch (const glo::OutOfRange_t& e) {
            EXPECT_TRUE(c.outOfRange) << c.size;
            EXPECT_EQ(e.SourceLine(), c.line);
        } catch (const iol::BadFrame_t& e) {
            EXPECT_FALSE(c.outOfRange) << c.size;
            EXPECT_EQ(e.SourceLine(), c.line);
        }
    }
}

TEST(UnitAVDInfo, ConstructorChecksBlockAndFinalByte) {
    EXPECT_THROW(ioa::UnitAVDInfo_t(1, 2, 3, Bytes(6), 0), glo::Assert_t);
    EXPECT_THROW(ioa::UnitAVDInfo_t(1, 2, 3, Bytes(7), 256), glo::Assert_t);
}

}  // namespace
