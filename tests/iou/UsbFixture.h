// A bus of simulated USB units for the link and discovery tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pal/PAL_Driver.h"
#include "pal/PAL_Sync.h"
#include "sim/SIM_UsbBus.h"

namespace ioutest {

class UsbFixture : public ::testing::Test {
protected:
    void SetUp() override { pal::RegisterDriver(bus_); }
    void TearDown() override {
        pal::UnregisterDriver(bus_);
        pal::testhooks::ClearDeviceFaults();
        pal::CloseHandle(terminate_);
    }

    // A unit that streams nothing until asked.
    std::shared_ptr<sim::UsbUnit_t> Plug(sim::UsbFaults_t usb = {}, std::uint32_t unitId = 1) {
        sim::UsbUnitConfig_t config;
        config.unit.unitId = unitId;
        config.usb = usb;
        return bus_->Plug(config);
    }
    std::string PathOf(const std::shared_ptr<sim::UsbUnit_t>& unit) { return bus_->PathOf(unit); }

    std::shared_ptr<sim::UsbBus_t> bus_ = std::make_shared<sim::UsbBus_t>();
    pal::HANDLE terminate_ = pal::CreateEventA(nullptr, pal::TRUE, pal::FALSE, nullptr);
};

}  // namespace ioutest
