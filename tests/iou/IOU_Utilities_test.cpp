#include "iou/IOU_Utilities.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "UsbFixture.h"
#include "iou/IOU_Exception.h"
#include "iou/IOU_UsbLink.h"
#include "pal/PAL_Version.h"
#include "support/ChildProcess.h"

namespace {

class DiscoveryTest : public ioutest::UsbFixture {
protected:
    std::shared_ptr<sim::UsbUnit_t> PlugNamed(std::uint32_t unitId, const char* name,
                                              sim::UsbFaults_t usb = {}) {
        sim::UsbUnitConfig_t config;
        config.unit.unitId = unitId;
        config.unit.unitName = name;
        config.usb = usb;
        return bus_->Plug(config);
    }
};

TEST_F(DiscoveryTest, NoUnitGivesAnEmptyMap) {
    EXPECT_TRUE(iou::EnumerateUnits().empty());
}

TEST_F(DiscoveryTest, OneEntryPerWorkingUnit) {
    sim::UsbFaults_t silent;
    silent.noStartConfirmation = true;
    auto broken = PlugNamed(3, "Broken", silent);
    auto good = PlugNamed(9, "Hiker");
    auto again = PlugNamed(9, "Hiker Too");  // same unit ID: the last found wins
    const iou::UnitMap_t units = iou::EnumerateUnits();
    ASSERT_EQ(units.size(), 1u);
    const iou::UnitEntry_t& entry = units.at(9);
    EXPECT_EQ(entry.devicePath, PathOf(again));
    EXPECT_EQ(entry.displayName, "Hiker Too");
    EXPECT_EQ(entry.productData.productId, 77);
    EXPECT_FALSE(entry.protocols.records.empty());
}

TEST_F(DiscoveryTest, UnitHeldByAnotherLinkIsLeftOut) {
    auto held = PlugNamed(1, "Held");
    auto free = PlugNamed(2, "Free");
    iou::UsbLink_t link(terminate_, PathOf(held), true);
    const iou::UnitMap_t units = iou::EnumerateUnits();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units.count(2), 1u);
}

TEST_F(DiscoveryTest, UnnamedUnitIsNamedByItsUnitId) {
    sim::UsbUnitConfig_t config;
    config.unit.unitId = 7;
    config.unit.unitName.reset();
    ioa::ProtocolRecords_t records;
    ASSERT_TRUE(ioa::ParseProtocolRecords("P000 L001 A010 A1010", records));  // no A601
    config.unit.protocols = records;
    bus_->Plug(config);
    const iou::UnitMap_t units = iou::EnumerateUnits();
    ASSERT_EQ(units.count(7), 1u);
    const std::string& name = units.at(7).displayName;
    const std::string suffix = " (Unit ID 7)";
    ASSERT_GE(name.size(), suffix.size());
    EXPECT_EQ(name.substr(name.size() - suffix.size()), suffix) << name;
}

pal::OSVERSIONINFOA System(pal::DWORD platform, pal::DWORD major, pal::DWORD minor) {
    pal::OSVERSIONINFOA record;
    record.dwPlatformId = platform;
    record.dwMajorVersion = major;
    record.dwMinorVersion = minor;
    return record;
}

// Run by SystemVersionIsTestedOncePerProcess, each time in a process of its
// own: discovery reads the version only on its first call.
TEST_F(DiscoveryTest, DISABLED_OnSystem) {
    unsigned platform = 0;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned expected = 0;
    const char* text = std::getenv("QUORVEL_TEST_SYSTEM");
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(std::sscanf(text, "%u %u %u %u", &platform, &major, &minor, &expected), 4);
    PlugNamed(4, "Hiker");
    const pal::OSVERSIONINFOA first = System(platform, major, minor);
    pal::SetVersionOverride(&first);
    EXPECT_EQ(iou::EnumerateUnits().size(), expected);
    // The other verdict now would change nothing.
    const pal::OSVERSIONINFOA other =
        expected == 0 ? System(pal::VER_PLATFORM_WIN32_NT, 5, 1) : System(1, 4, 0);
    pal::SetVersionOverride(&other);
    EXPECT_EQ(iou::EnumerateUnits().size(), expected);
    pal::SetVersionOverride(nullptr);
}

TEST(DiscoverySystem, SystemVersionIsTestedOncePerProcess) {
    const char* cases[] = {
        "2 5 0 1",   // Windows 2000
        "2 4 0 0",   // NT 4
        "1 4 10 1",  // Windows 98
        "1 4 0 0",   // Windows 95
        "1 4 90 1",  // Windows Me
        "0 3 1 1",   // another platform passes
    };
    for (const char* c : cases) {
        SCOPED_TRACE(c);
        EXPECT_EQ(testsupport::Wait(testsupport::StartSelf("DiscoveryTest.DISABLED_OnSystem",
                                                           {{"QUORVEL_TEST_SYSTEM", c}})),
                  0);
    }
}

TEST_F(DiscoveryTest, NewerDriverEndsDiscovery) {
    PlugNamed(1, "Old");
    sim::UsbFaults_t future;
    future.driverVersion = 2;
    PlugNamed(2, "New", future);
    EXPECT_THROW(iou::EnumerateUnits(), iou::FutureApi_t);
}

}  // namespace
