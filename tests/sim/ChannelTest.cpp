#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SimFixture.h"
#include "glo/GLO_Exception.h"
#include "ioa/IOA_Channel.h"
#include "ioa/IOA_ProtocolTable.h"
#include "iol/IOL_Exception.h"

namespace {

using simtest::SimFixture;
using Lines = std::vector<std::string>;

std::string MainRow(std::uint16_t product, std::int16_t version) {
    return ioa::FormatProtocolRecords(*ioa::LookupMainTable(product, version));
}

class Channel : public SimFixture {};

// Passes every transfer on to the simulated unit's link and notes the
// time-out the channel gave it.
class TimeoutLog : public iol::Link_t {
public:
    TimeoutLog(pal::HANDLE stop, iol::Link_t& inner) : iol::Link_t(stop), inner_(inner) {}

    iol::Frame_t ReadFrame(std::uint32_t timeout) override {
        iol::Frame_t frame = inner_.ReadFrame(timeout);
        log.push_back("read " + std::to_string(frame.GetId()) + " in " + std::to_string(timeout));
        return frame;
    }
    void WriteFrame(const iol::Frame_t& frame, std::uint32_t timeout) override {
        log.push_back("write " + std::to_string(frame.GetId()) + " in " + std::to_string(timeout));
        inner_.WriteFrame(frame, timeout);
    }

    Lines log;

private:
    iol::Link_t& inner_;
};

TEST_F(Channel, GivesEveryTransferItsTimeout) {
    Start({});
    TimeoutLog link(stop_, *link_);
    ioa::Channel_t channel(link);
    channel.EnableNmea();
    channel.DisableNmea();
    EXPECT_EQ(channel.GetUnitName(), "Simulated Unit");
    EXPECT_EQ(link.log, (Lines{"write 254 in 3000", "read 255 in 3000", "read 253 in 1000",
                               "write 28 in 3000", "write 181 in 3000", "write 181 in 3000",
                               "write 526 in 3000", "read 525 in 3000"}));
}

TEST_F(Channel, IdentifiesTheUnitInOrder) {
    Start({});
    ioa::Channel_t channel(*link_);
    EXPECT_EQ(Wire(), (Lines{"> 254", "< 255", "< 253", "> 28 00 00"}));
    EXPECT_EQ(clock_.Now(), 0u);  // the array came at once: no time-out
    EXPECT_EQ(channel.GetProductData().productId, 77);
    EXPECT_EQ(channel.GetProductData().softwareVersion, 350);
    EXPECT_EQ(channel.GetProductData().GetDescription(), "Simulated Unit");
    // Completed: nothing from the supplement table for 77, then A001.
    EXPECT_EQ(ioa::FormatProtocolRecords(channel.GetProtocols().records),
              ioa::FormatProtocolRecords(sim::UnitConfig_t::DefaultProtocols()) + " A001");
    EXPECT_TRUE(channel.GetProtocols().Supports({'A', 1010}));
}

TEST_F(Channel, WithoutTheArrayWaitsASecondAndTakesTheMainTable) {
    sim::UnitConfig_t config;
    config.protocolArray = sim::ProtocolArray_t::None;
    config.softwareVersion = 355;
    Start(config);
    ioa::Channel_t channel(*link_);
    EXPECT_EQ(clock_.Now(), 1000u);
    EXPECT_EQ(ioa::FormatProtocolRecords(channel.GetProtocols().records), MainRow(77, 350));
    EXPECT_EQ(Wire(), (Lines{"> 254", "< 255", "> 28 00 00"}));
}

TEST_F(Channel, AnArrayBeforeTheProductDataIsLost) {
    sim::UnitConfig_t config;
    config.protocolArray = sim::ProtocolArray_t::BeforeProductData;
    Start(config);
    ioa::Channel_t channel(*link_);
    EXPECT_EQ(clock_.Now(), 1000u);
    EXPECT_EQ(ioa::FormatProtocolRecords(channel.GetProtocols().records), MainRow(77, 350));
    EXPECT_FALSE(channel.SupportsUnitName());
    EXPECT_EQ(Wire(), (Lines{"> 254", "< 253", "< 255", "> 28 00 00"}));
}

TEST_F(Channel, AnEmptyArrayCountsAsNone) {
    for (const std::uint16_t product : {77, 999}) {  // 999 is in no table
        SCOPED_TRACE(product);
        sim::UnitConfig_t config;
        config.protocols.clear();
        config.productId = product;
        Start(config);
        ioa::Channel_t channel(*link_);
        EXPECT_EQ(ioa::FormatProtocolRecords(channel.GetProtocols().records),
                  product == 77 ? MainRow(77, 350) : "");
    }
}

TEST_F(Channel, FramesOfOtherIdsDisturbNoWait) {
    sim::UnitConfig_t config;
    config.faults.noiseId = 14;
    config.unitName = "Hiker";
    Start(config);
    ioa::Channel_t channel(*link_);
    EXPECT_EQ(channel.GetDisplayName("Unit ID 1"), "Hiker");
    EXPECT_EQ(clock_.Now(), 0u);
    EXPECT_EQ(Wire(true), (Lines{"> 254", "< 14", "< 255", "< 14", "< 253", "> 28 00 00", "> 526",
                                 "< 14", "< 525"}));
}

TEST_F(Channel, ShortProductDataIsABadFrame) {
    sim::UnitConfig_t config;
    config.faults.shortProductData = true;
    Start(config);
    EXPECT_THROW(ioa::Channel_t channel(*link_), iol::BadFrame_t);
    EXPECT_EQ(Wire(), (Lines{"> 254", "< 255"}));  // nothing sent to undo
}

TEST_F(Channel, DisplayName) {
    const struct {
        const char* what;
        std::optional<std::string> name;
        bool a601;
        bool answers;
        const char* suffix;
        const char* label;
        bool asks;
        std::uint64_t waited;
    } cases[] = {
        {"named", "Hiker", true, true, "Unit ID 7", "Hiker", true, 0},
        {"lone NUL", "", true, true, "Unit ID 7", "Simulated Unit (Unit ID 7)", true, 0},
        {"no A601", "Hiker", false, true, "Unit ID 7", "Simulated Unit (Unit ID 7)", false, 0},
        {"empty suffix", "", true, true, "", "Simulated Unit", true, 0},
        {"no answer", "Hiker", true, false, "Unit ID 7", "Simulated Unit (Unit ID 7)", true, 3000},
        {"nameless unit", std::nullopt, true, true, "Unit ID 7", "Simulated Unit (Unit ID 7)", true,
         3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::UnitConfig_t config;
        config.unitName = c.name;
        config.faults.noNameAnswer = !c.answers;
        if (!c.a601) {
            ioa::ParseProtocolRecords("", config.protocols);
            std::erase(config.protocols, ioa::ProtocolRecord_t{'A', 601});
        }
        Start(config);
        ioa::Channel_t channel(*link_);
        EXPECT_EQ(channel.SupportsUnitName(), c.a601);
        const std::uint64_t before = clock_.Now();
        EXPECT_EQ(channel.GetDisplayName(c.suffix), c.label);
        EXPECT_EQ(clock_.Now() - before, c.waited);
        const Lines wire = Wire();
        EXPECT_EQ(std::count(wire.begin(), wire.end(), "> 526"), c.asks ? 1 : 0);
    }
}

TEST_F(Channel, GetUnitNameTimesOutWithoutAnAnswer) {
    sim::UnitConfig_t config;
    config.faults.noNameAnswer = true;
    Start(config);
    ioa::Channel_t channel(*link_);
    EXPECT_THROW(channel.GetUnitName(), glo::Timeout_t);
    EXPECT_EQ(clock_.Now(), 3000u);
}

TEST_F(Channel, TerminationEndsTheExchange) {
    Start({});
    pal::SetEvent(stop_);
    EXPECT_THROW(ioa::Channel_t channel(*link_), glo::Terminate_t);
}

// In real time, once: the missing array costs about a second.
TEST(ChannelRealTime, WithoutTheArrayTakesAboutASecondLonger) {
    const pal::HANDLE stop = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
    sim::RealClock_t clock;
    const auto identify = [&](sim::ProtocolArray_t array) {
        sim::UnitConfig_t config;
        config.protocolArray = array;
        sim::Unit_t unit(config, clock);
        sim::FrameLink_t link(stop, unit);
        const auto start = std::chrono::steady_clock::now();
        ioa::Channel_t channel(link);
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
    const auto withArray = identify(sim::ProtocolArray_t::AfterProductData);
    const auto without = identify(sim::ProtocolArray_t::None);
    // Bounds wide enough for a loaded machine, yet only the missing array
    // can explain a run past a second.
    EXPECT_LT(withArray, 900);
    EXPECT_GE(without, 1000);
    EXPECT_LT(without, 4000);
    pal::CloseHandle(stop);
}

}  // namespace
