#include "iol/IOL_Link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "iol/IOL_Exception.h"
#include "pal/PAL_Kernel.h"
#include "pal/PAL_Sync.h"
#include "win/WIN_Exception.h"

namespace {

using Clock = std::chrono::steady_clock;

// A link whose reads follow a script; waits block on the terminate event
// as the real link's do.
class ScriptedLink : public iol::Link_t {
public:
    using Script = std::function<iol::Frame_t(ScriptedLink&, std::uint32_t)>;

    ScriptedLink(pal::HANDLE terminateEvent, Script script)
        : Link_t(terminateEvent), script_(std::move(script)) {}

    iol::Frame_t ReadFrame(std::uint32_t timeout) override {
        readTimeouts.push_back(timeout);
        return script_(*this, timeout);
    }
    void WriteFrame(const iol::Frame_t& frame, std::uint32_t timeout) override {
        written.push_back(frame);
        writeTimeouts.push_back(timeout);
    }

    // Waits up to ms on the terminate event: Terminate_t if it is signalled.
    bool WaitTerminated(std::uint32_t ms) {
        const pal::DWORD result = pal::WaitForSingleObject(GetTerminateEvent(), ms);
        if (result == pal::WAIT_OBJECT_0) {
            throw glo::Terminate_t("ScriptedLink", 1);
        }
        return result == pal::WAIT_TIMEOUT;
    }

    std::vector<std::uint32_t> readTimeouts;
    std::vector<std::uint32_t> writeTimeouts;
    std::vector<iol::Frame_t> written;

private:
    Script script_;
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        stopEvent_ = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
        ASSERT_NE(stopEvent_, 0u);
    }
    void TearDown() override { pal::CloseHandle(stopEvent_); }

    // Like the unit's silence: nothing arrives within the timeout.
    static iol::Frame_t Silence(ScriptedLink& link, std::uint32_t timeout) {
        link.WaitTerminated(timeout);
        throw glo::Timeout_t("ScriptedLink", 2);
    }

    pal::HANDLE stopEvent_ = 0;
};

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST_F(LinkTest, DefaultTimeoutIs3000) {
    ScriptedLink link(stopEvent_, Silence);
    EXPECT_EQ(link.GetTimeout(), 3000u);
}

TEST_F(LinkTest, SilenceEndsWithTheReadsTimeout) {
    ScriptedLink link(stopEvent_, Silence);
    iol::Packet_t packet(255);
    const auto start = Clock::now();
    try {
        link.Receive(packet, 400);
        FAIL() << "no Timeout_t";
    } catch (const glo::Timeout_t& error) {
        EXPECT_EQ(error.SourceLine(), 2);  // the read's own, passed through
    }
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 390);
    EXPECT_LT(elapsed, 2000);
    EXPECT_EQ(link.readTimeouts, (std::vector<std::uint32_t>{400}));
}

TEST_F(LinkTest, UnrelatedFramesStretchTheWaitALittle) {
    ScriptedLink link(stopEvent_, [](ScriptedLink& self, std::uint32_t) {
        self.WaitTerminated(100);
        return iol::Frame_t(180);
    });
    iol::Packet_t packet(255);
    const auto start = Clock::now();
    try {
        link.Receive(packet, 500);
        FAIL() << "no Timeout_t";
    } catch (const glo::Timeout_t& error) {
        EXPECT_EQ(error.SourceLine(), 30);
        EXPECT_NE(std::string(error.SourceFile()).find("IOL_Link"), std::string::npos);
    }
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 490);  // the tick rule: ends at the first check past 500
    EXPECT_LT(elapsed, 2500);
    ASSERT_GE(link.readTimeouts.size(), 5u);
    for (const auto timeout : link.readTimeouts) {
        EXPECT_EQ(timeout, 500u);  // each read gets the whole timeout
    }
}

// Moves the tick count to just before its 32-bit wrap for one test.
class TicksNearTheWrap {
public:
    explicit TicksNearTheWrap(pal::DWORD msBefore) {
        pal::testhooks::SetTickOffset(0xFFFFFFFFu - pal::GetTickCount() - msBefore);
    }
    ~TicksNearTheWrap() { pal::testhooks::SetTickOffset(0); }
};

TEST_F(LinkTest, ElapsedTimeIsMeasuredAcrossTheTickWrap) {
    const TicksNearTheWrap ticks(50);
    ScriptedLink link(stopEvent_, [](ScriptedLink& self, std::uint32_t) {
        self.WaitTerminated(20);
        return iol::Frame_t(180);
    });
    iol::Packet_t packet(255);
    const auto start = Clock::now();
    EXPECT_THROW(link.Receive(packet, 300), glo::Timeout_t);
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 290);
    EXPECT_LT(elapsed, 2000);
}

TEST_F(LinkTest, DropsOtherIdsAndDecodesTheMatchingFrame) {
    std::vector<iol::Frame_t> script = {iol::Frame_t(180), iol::Frame_t(253), iol::Frame_t(255)};
    std::size_t next = 0;
    ScriptedLink link(stopEvent_, [&](ScriptedLink&, std::uint32_t) { return script.at(next++); });
    iol::Packet_t packet(255);
    link.Receive(packet, 3000);
    EXPECT_EQ(next, 3u);
}

TEST_F(LinkTest, NoLimitEndsOnlyByTheTerminateEvent) {
    ScriptedLink link(stopEvent_, Silence);
    std::thread stopper([this] {
        pal::Sleep(200);
        pal::SetEvent(stopEvent_);
    });
    iol::Packet_t packet(255);
    EXPECT_THROW(link.Receive(packet, iol::kNoTimeLimit), glo::Terminate_t);
    stopper.join();
    EXPECT_EQ(link.readTimeouts, (std::vector<std::uint32_t>{iol::kNoTimeLimit}));
}

TEST_F(LinkTest, ErrorsOfReadAndDecodePassThrough) {
    ScriptedLink failing(stopEvent_, [](ScriptedLink&, std::uint32_t) -> iol::Frame_t {
        throw iol::Exception_t("ScriptedLink", 3, "pipe broke");
    });
    iol::Packet_t packet(255);
    try {
        failing.Receive(packet, 3000);
        FAIL() << "no iol::Exception_t";
    } catch (const iol::Exception_t& error) {
        EXPECT_EQ(error.message, "pipe broke");
    }

    // A packet that cannot decode what arrives.
    struct Strict : iol::Packet_t {
        Strict() : Packet_t(255) {}
        void FromFrame(const iol::Frame_t& frame) override {
            throw iol::BadFrame_t(frame, "Strict", 4);
        }
    } strict;
    ScriptedLink link(stopEvent_, [](ScriptedLink&, std::uint32_t) { return iol::Frame_t(255); });
    EXPECT_THROW(link.Receive(strict, 3000), iol::BadFrame_t);
}

TEST_F(LinkTest, SendHandsTheEncodedFrameToWrite) {
    ScriptedLink link(stopEvent_, Silence);
    link.Send(iol::Packet_t(254), 1234);
    ASSERT_EQ(link.written.size(), 1u);
    EXPECT_EQ(link.written[0].GetId(), 254);
    EXPECT_EQ(link.written[0].Size(), 0u);
    EXPECT_EQ(link.writeTimeouts, (std::vector<std::uint32_t>{1234}));
}

TEST_F(LinkTest, OwnsADuplicateOfTheCreatorsEvent) {
    const pal::HANDLE creators = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
    pal::HANDLE duplicate = 0;
    {
        ScriptedLink link(creators, Silence);
        duplicate = link.GetTerminateEvent();
        EXPECT_NE(duplicate, creators);
        pal::SetEvent(creators);
        EXPECT_TRUE(pal::CloseHandle(creators));  // the creator closes its own
        EXPECT_THROW(link.WaitTerminated(0), glo::Terminate_t);
    }
    EXPECT_FALSE(pal::CloseHandle(duplicate));  // closed by the link
}

TEST_F(LinkTest, FailedDuplicationIsAWindowsError) {
    try {
        ScriptedLink link(0xBAD0BAD0u, Silence);
        FAIL() << "no win::Error_t";
    } catch (const win::Error_t& error) {
        EXPECT_EQ(error.SourceLine(), 144);
        EXPECT_NE(std::string(error.SourceFile()).find("WIN_Handle"), std::string::npos);
        EXPECT_EQ(error.code, 6u);
    }
}

}  // namespace
