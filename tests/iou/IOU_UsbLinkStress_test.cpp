// Links opened, streamed from and destroyed many times, stopped at random
// moments by their terminate event or by unplugging; run under
// ThreadSanitizer too. Bounded by time.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "UsbFixture.h"
#include "ioa/IOA_Channel.h"
#include "iou/IOU_UsbLink.h"

namespace {

class UsbLinkStress : public ioutest::UsbFixture {};

TEST_F(UsbLinkStress, StreamAndStopAtRandom) {
    std::mt19937 random(12345);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int rounds = 0;
    while (std::chrono::steady_clock::now() < end) {
        sim::UsbUnitConfig_t config;
        config.unit.rate = 50;
        auto unit = bus_->Plug(config);
        pal::ResetEvent(terminate_);
        const unsigned stopAfterMs = random() % 40;
        const bool unplug = random() % 3 == 0;
        {
            iou::UsbLink_t link(terminate_, PathOf(unit), true);
            ioa::Channel_t channel(link);
            channel.EnableNmea();
            std::thread stopper([&] {
                pal::Sleep(stopAfterMs);  // a random moment, not a synchronisation
                if (unplug) {
                    bus_->Unplug(unit);
                } else {
                    pal::SetEvent(terminate_);
                }
            });
            try {
                for (;;) {
                    EXPECT_EQ(link.ReadFrame(3000).GetId(), 180);
                }
            } catch (const glo::Terminate_t&) {
                EXPECT_FALSE(unplug);
            } catch (const glo::CommunicationsError_t&) {
                EXPECT_TRUE(unplug);
            }
            stopper.join();
        }
        bus_->Unplug(unit);
        ++rounds;
    }
    EXPECT_GT(rounds, 0);
    EXPECT_EQ(pal::testhooks::PendingDeviceRequests(), 0u);
}

}  // namespace
