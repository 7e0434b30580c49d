#include <gtest/gtest.h>

#include <fstream>

#include "pal/PAL_Sync.h"
#include "sim/SIM_Clock.h"
#include "sim/SIM_Error.h"
#include "sim/SIM_Nmea.h"
#include "sim/SIM_Unit.h"
#include "support/TestRoot.h"

namespace {

struct Sent {
    std::size_t sentences = 0;
    std::size_t other = 0;
};

Sent Drain(sim::Unit_t& unit) {
    Sent sent;
    while (auto frame = unit.PollFrame()) {
        if (frame->id == 180) {
            ++sent.sentences;
            const std::string text(frame->data.begin(), frame->data.end() - 1);
            EXPECT_EQ(frame->data.back(), 0);
            EXPECT_TRUE(sim::IsValidNmeaSentence(text)) << text;
        } else {
            ++sent.other;
        }
    }
    return sent;
}

TEST(SimUnit, SendsOneFixPerPeriodWhileSwitchedOn) {
    sim::ManualClock_t clock;
    sim::UnitConfig_t config;
    config.rate = 5;
    sim::Unit_t unit(config, clock);
    EXPECT_FALSE(unit.NextDueTime().has_value());
    unit.FromHost({181, {1}});
    EXPECT_EQ(Drain(unit).sentences, 6u);
    EXPECT_EQ(unit.NextDueTime(), 200u);
    clock.Advance(199);
    EXPECT_EQ(Drain(unit).sentences, 0u);
    clock.Advance(1);
    EXPECT_EQ(Drain(unit).sentences, 6u);
    clock.Advance(400);
    EXPECT_EQ(Drain(unit).sentences, 12u);
    unit.FromHost({181, {0}});
    clock.Advance(1000);
    EXPECT_EQ(Drain(unit).sentences, 0u);
    EXPECT_FALSE(unit.NextDueTime().has_value());
    EXPECT_EQ(unit.SentencesSent(), 24u);
}

// The sentences of the frames of id 180 that are due now, without their NUL.
std::vector<std::string> DueSentences(sim::Unit_t& unit) {
    std::vector<std::string> sentences;
    while (auto frame = unit.PollFrame()) {
        if (frame->id == 180 && !frame->data.empty()) {
            sentences.emplace_back(frame->data.begin(), frame->data.end() - 1);
        }
    }
    return sentences;
}

TEST(SimUnit, ReplaysAFileOneBurstPerPeriod) {
    const std::string path = testsupport::FreshRoot() + "/track.nmea";
    std::ofstream(path) << "$GPGGA,1*00\n$GPRMC,1*00\n$GPGGA,2*00\n";
    sim::ManualClock_t clock;
    sim::UnitConfig_t config;
    config.replayPath = path;
    config.replayLoop = false;
    sim::Unit_t unit(config, clock);
    unit.FromHost({181, {1}});
    EXPECT_EQ(DueSentences(unit), (std::vector<std::string>{"$GPGGA,1*00\r\n", "$GPRMC,1*00\r\n"}));
    clock.Advance(1000);
    EXPECT_EQ(DueSentences(unit), std::vector<std::string>{"$GPGGA,2*00\r\n"});
    clock.Advance(5000);
    EXPECT_TRUE(DueSentences(unit).empty());
    EXPECT_FALSE(unit.NextDueTime().has_value());  // the end of the file: silence

    config.replayPath = testsupport::FreshRoot() + "/missing.nmea";
    EXPECT_THROW(sim::Unit_t(config, clock), sim::Error_t);
}

TEST(SimUnit, ALateReaderGetsABoundedBacklog) {
    sim::ManualClock_t clock;
    sim::Unit_t unit(sim::UnitConfig_t{}, clock);
    unit.FromHost({181, {1}});
    clock.Advance(3600 * 1000);
    EXPECT_LE(Drain(unit).sentences, 17u * 6u);
    clock.Advance(1000);
    EXPECT_EQ(Drain(unit).sentences, 6u);
}

TEST(SimUnit, IgnoresWhatItDoesNotUnderstand) {
    sim::ManualClock_t clock;
    sim::UnitConfig_t config;
    config.unitName.reset();
    sim::Unit_t unit(config, clock);
    for (const sim::RawFrame_t& frame :
         {sim::RawFrame_t{181, {}}, sim::RawFrame_t{181, {2}}, sim::RawFrame_t{181, {1, 1}},
          sim::RawFrame_t{526, {}}, sim::RawFrame_t{28, {1, 2, 3}}, sim::RawFrame_t{9999, {}}}) {
        unit.FromHost(frame);
    }
    EXPECT_FALSE(unit.PollFrame().has_value());
    EXPECT_FALSE(unit.IsNmeaOn());
}

TEST(SimUnit, EncodesItsProductDataAndArray) {
    sim::ManualClock_t clock;
    sim::UnitConfig_t config;
    config.productId = 0x1234;
    config.softwareVersion = -2;
    config.strings = {"A", "B"};
    config.protocols.clear();
    ioa::ParseProtocolRecords("L001 A1010", config.protocols);
    sim::Unit_t unit(config, clock);
    unit.FromHost({254, {}});
    const auto product = unit.PollFrame();
    const auto array = unit.PollFrame();
    ASSERT_TRUE(product && array);
    EXPECT_EQ(product->id, 255);
    EXPECT_EQ(product->data, (std::vector<std::uint8_t>{0x34, 0x12, 0xFE, 0xFF, 'A', 0, 'B', 0}));
    EXPECT_EQ(array->id, 253);
    EXPECT_EQ(array->data, (std::vector<std::uint8_t>{'L', 1, 0, 'A', 0xF2, 0x03}));
}

TEST(SimUnit, WaitFrameBlocksUntilDueOrCancelled) {
    sim::RealClock_t clock;
    sim::UnitConfig_t config;
    config.rate = 10;
    sim::Unit_t unit(config, clock);
    const pal::HANDLE cancel = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
    sim::RawFrame_t frame;
    EXPECT_EQ(unit.WaitFrame(50, cancel, frame), sim::Unit_t::Wait_t::Timeout);
    unit.FromHost({181, {1}});
    std::size_t sentences = 0;
    const auto start = clock.Now();
    while (sentences < 12 && unit.WaitFrame(2000, cancel, frame) == sim::Unit_t::Wait_t::Frame) {
        sentences += frame.id == 180;
    }
    EXPECT_EQ(sentences, 12u);
    EXPECT_GE(clock.Now() - start, 90u);  // the second fix is 100 ms after the first
    pal::SetEvent(cancel);
    EXPECT_EQ(unit.WaitFrame(pal::INFINITE, cancel, frame), sim::Unit_t::Wait_t::Cancelled);
    pal::CloseHandle(cancel);
}

}  // namespace
