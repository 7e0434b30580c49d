#include <gtest/gtest.h>

#include <vector>

#include "sim/SIM_Error.h"
#include "sim/SIM_UsbBus.h"

namespace {

TEST(UsbSimulationConfig, UsbSettingsAreTakenOutOfEachUnit) {
    const auto units =
        sim::ParseUsbSimulation("unitid=7,noconfirm;;packetsize=0,driverversion=2,name=X;");
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[0].unit.unitId, 7u);
    EXPECT_TRUE(units[0].usb.noStartConfirmation);
    EXPECT_FALSE(units[1].usb.noStartConfirmation);
    EXPECT_EQ(units[1].usb.packetSize, 64);
    EXPECT_EQ(units[2].usb.packetSize, 0);
    EXPECT_EQ(units[2].usb.driverVersion, 2u);
    EXPECT_EQ(units[2].unit.unitName, "X");
    EXPECT_EQ(sim::ParseUsbSimulation("1").size(), 1u);
}

// A part that holds nothing but USB settings is still a unit, with the
// unit ID its place gives it.
TEST(UsbSimulationConfig, PartsOfOnlyUsbSettingsAreUnits) {
    struct Case {
        const char* text;
        std::vector<bool> noConfirm;
    };
    const Case cases[] = {
        {"noconfirm", {true}},
        {"unitid=7;noconfirm", {false, true}},
        {"unitid=7;noconfirm;", {false, true}},
        {"noreply;name=X", {false, false}},
        {"packetsize=0 ; ;noconfirm", {false, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto units = sim::ParseUsbSimulation(c.text);
        ASSERT_EQ(units.size(), c.noConfirm.size());
        for (std::size_t i = 0; i < units.size(); ++i) {
            EXPECT_EQ(units[i].usb.noStartConfirmation, c.noConfirm[i]) << i;
        }
        EXPECT_EQ(units.back().unit.unitId, units.size());
    }
}

TEST(UsbSimulationConfig, BadValuesAreRefused) {
    for (const char* text : {"packetsize=70000", "driverversion=x", "noreply=1", "bogus"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(sim::ParseUsbSimulation(text), sim::Error_t);
    }
}

}  // namespace
