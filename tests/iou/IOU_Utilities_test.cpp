#include "iou/IOU_Utilities.h"

#include <gtest/gtest.h>

#include "UsbFixture.h"
#include "iou/IOU_Exception.h"
#include "iou/IOU_UsbLink.h"

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

TEST_F(DiscoveryTest, NewerDriverEndsDiscovery) {
    PlugNamed(1, "Old");
    sim::UsbFaults_t future;
    future.driverVersion = 2;
    PlugNamed(2, "New", future);
    EXPECT_THROW(iou::EnumerateUnits(), iou::FutureApi_t);
}

}  // namespace
