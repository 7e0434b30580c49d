// A simulated unit on a manual clock behind a frame link in virtual time,
// and the transcript of what crossed the link.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pal/PAL_Sync.h"
#include "sim/SIM_FrameLink.h"
#include "sim/SIM_Unit.h"

namespace simtest {

class SimFixture : public testing::Test {
protected:
    SimFixture() : stop_(pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr)) {}
    ~SimFixture() override {
        link_.reset();
        unit_.reset();
        pal::CloseHandle(stop_);
    }

    void Start(const sim::UnitConfig_t& config) {
        unit_ = std::make_unique<sim::Unit_t>(config, clock_);
        link_ = std::make_unique<sim::FrameLink_t>(stop_, *unit_, clock_);
    }

    // "> 28 00 00" for a host frame, "< 255" for one of the unit's.
    std::vector<std::string> Wire(bool withNoise = false) const {
        std::vector<std::string> lines;
        for (const sim::TranscriptEntry_t& entry : unit_->GetTranscript()) {
            if (!withNoise && entry.id == 14) {
                continue;
            }
            std::string line = entry.direction == sim::Direction_t::ToUnit ? "> " : "< ";
            line += std::to_string(entry.id);
            if (entry.direction == sim::Direction_t::ToUnit) {
                for (std::uint8_t byte : entry.data) {
                    char hex[4];
                    std::snprintf(hex, sizeof hex, " %02x", byte);
                    line += hex;
                }
            }
            lines.push_back(line);
        }
        return lines;
    }

    sim::ManualClock_t clock_;
    pal::HANDLE stop_;
    std::unique_ptr<sim::Unit_t> unit_;
    std::unique_ptr<sim::FrameLink_t> link_;
};

}  // namespace simtest
