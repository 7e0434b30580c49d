#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "SimFixture.h"
#include "glo/GLO_Exception.h"
#include "ioa/IOA_Channel.h"
#include "ioa/IOA_ReceiveSentences.h"
#include "iol/IOL_Exception.h"
#include "sim/SIM_Nmea.h"

namespace {

using Lines = std::vector<std::string>;

class ReceiveSentences : public simtest::SimFixture {
protected:
    // Runs the loop until it throws; returns the sentences it handed on.
    template <typename Exception>
    std::vector<std::string> RunUntil(const std::function<void(std::size_t)>& afterEach = {}) {
        ioa::Channel_t channel(*link_);
        std::vector<std::string> sentences;
        EXPECT_THROW(ioa::ReceiveSentences(channel,
                                           [&](const std::string& sentence) {
                                               sentences.push_back(sentence);
                                               if (afterEach) {
                                                   afterEach(sentences.size());
                                               }
                                           }),
                     Exception);
        return sentences;
    }

    // The host's frames after the identification.
    Lines HostFramesAfterIdentification() const {
        Lines host;
        for (const std::string& line : Wire()) {
            if (line.starts_with(">") && line != "> 254" && line != "> 28 00 00") {
                host.push_back(line);
            }
        }
        return host;
    }
};

TEST_F(ReceiveSentences, StreamsUntilTerminatedThenSwitchesOff) {
    Start({});
    const auto sentences = RunUntil<glo::Terminate_t>([&](std::size_t count) {
        if (count == 14) {
            pal::SetEvent(stop_);
        }
    });
    ASSERT_EQ(sentences.size(), 14u);
    for (const std::string& sentence : sentences) {
        EXPECT_TRUE(sim::IsValidNmeaSentence(sentence)) << sentence;  // CR LF kept, no NUL
    }
    EXPECT_TRUE(sentences[0].starts_with("$GPGGA,"));
    EXPECT_TRUE(sentences[6].starts_with("$GPGGA,"));
    EXPECT_EQ(clock_.Now(), 2000u);  // three fixes, one a second
    EXPECT_EQ(HostFramesAfterIdentification(), (Lines{"> 181 01", "> 181 00"}));
    EXPECT_FALSE(unit_->IsNmeaOn());
}

TEST_F(ReceiveSentences, SilenceEndsItWithATimeoutAndSwitchesOff) {
    sim::UnitConfig_t config;
    config.faults.silenceAfter = 8;
    Start(config);
    const auto sentences = RunUntil<glo::Timeout_t>();
    EXPECT_EQ(sentences.size(), 8u);
    EXPECT_EQ(clock_.Now(), 1000u + 3000u);  // the second fix, then the link's timeout
    EXPECT_EQ(HostFramesAfterIdentification(), (Lines{"> 181 01", "> 181 00"}));
}

TEST_F(ReceiveSentences, AFrameErrorEndsItAndSwitchesOff) {
    sim::UnitConfig_t config;
    config.faults.malformedAfter = 3;
    Start(config);
    EXPECT_EQ(RunUntil<iol::BadFrame_t>().size(), 3u);
    EXPECT_EQ(Wire().back(), "> 181 00");
}

TEST_F(ReceiveSentences, OtherFramesBetweenSentencesDoNotDisturbIt) {
    sim::UnitConfig_t config;
    config.faults.noiseId = 14;
    config.faults.silenceAfter = 12;
    Start(config);
    const auto sentences = RunUntil<glo::Timeout_t>();
    EXPECT_EQ(sentences.size(), 12u);
    const Lines wire = Wire(true);
    EXPECT_GE(std::count(wire.begin(), wire.end(), "< 14"), 12);
}

TEST_F(ReceiveSentences, AFailingHandlerEndsItAndSwitchesOff) {
    Start({});
    ioa::Channel_t channel(*link_);
    EXPECT_THROW(ioa::ReceiveSentences(
                     channel, [](const std::string&) { throw std::runtime_error("port gone"); }),
                 std::runtime_error);
    EXPECT_EQ(Wire().back(), "> 181 00");
}

TEST_F(ReceiveSentences, AFailingSwitchOffIsSwallowed) {
    sim::UnitConfig_t config;
    config.faults.silenceAfter = 1;
    Start(config);
    ioa::Channel_t channel(*link_);
    // Terminated while waiting; the switch-off write then cannot complete.
    EXPECT_THROW(ioa::ReceiveSentences(channel,
                                       [&](const std::string&) {
                                           link_->StallWrites(true);
                                           pal::SetEvent(stop_);
                                       }),
                 glo::Terminate_t);
    EXPECT_NE(Wire().back(), "> 181 00");
    // And a write that times out.
    pal::ResetEvent(stop_);
    EXPECT_THROW(ioa::ReceiveSentences(channel, [](const std::string&) {}), glo::Timeout_t);
}

TEST(ReceiveSentencesRealTime, TerminateEndsTheWaitAtOnce) {
    const pal::HANDLE stop = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
    sim::RealClock_t clock;
    sim::UnitConfig_t config;
    config.faults.silenceAfter = 2;
    sim::Unit_t unit(config, clock);
    sim::FrameLink_t link(stop, unit);
    ioa::Channel_t channel(link);
    std::chrono::steady_clock::time_point signalled;
    std::thread stopper;
    EXPECT_THROW(ioa::ReceiveSentences(channel,
                                       [&](const std::string&) {
                                           if (!stopper.joinable()) {
                                               stopper = std::thread([&] {
                                                   std::this_thread::sleep_for(
                                                       std::chrono::milliseconds(200));
                                                   signalled = std::chrono::steady_clock::now();
                                                   pal::SetEvent(stop);
                                               });
                                           }
                                       }),
                 glo::Terminate_t);
    const auto ended = std::chrono::steady_clock::now();
    stopper.join();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(ended - signalled).count(),
              1500);
    const auto transcript = unit.GetTranscript();
    EXPECT_EQ(transcript.back().id, 181);
    EXPECT_EQ(transcript.back().data, std::vector<std::uint8_t>{0});
    pal::CloseHandle(stop);
}

}  // namespace
