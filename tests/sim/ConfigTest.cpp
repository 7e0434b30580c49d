#include <gtest/gtest.h>

#include <cstdlib>

#include "sim/SIM_Config.h"
#include "sim/SIM_Error.h"

namespace {

TEST(SimulationConfig, CountsGiveDefaultUnits) {
    EXPECT_TRUE(sim::ParseSimulation("").empty());
    EXPECT_TRUE(sim::ParseSimulation("  ").empty());
    EXPECT_TRUE(sim::ParseSimulation("0").empty());
    const auto units = sim::ParseSimulation("3");
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[0].unitId, 1u);
    EXPECT_EQ(units[2].unitId, 3u);
    EXPECT_EQ(units[0].productId, 77);
    EXPECT_EQ(units[0].unitName, "Simulated Unit");
    ASSERT_EQ(sim::ParseSimulation("16").size(), 16u);
}

TEST(SimulationConfig, ReadsEverySetting) {
    const auto units = sim::ParseSimulation(
        "product=22, version=-5, name=Hiker Two, unitid=4294967295, rate=5;"
        "description=Trail Unit Software 2,noname,protocols=L001 A010  A601,array=before,"
        "replay=/some/file,noloop,lat=-12.5,lon=170,alt=-3,speed=0,course=360,turn=-2.5,"
        "time=0,silence=12,garble=3,noise=14,shortproduct,ignorename;");
    ASSERT_EQ(units.size(), 2u);
    const sim::UnitConfig_t& a = units[0];
    EXPECT_EQ(a.productId, 22);
    EXPECT_EQ(a.softwareVersion, -5);
    EXPECT_EQ(a.unitName, "Hiker Two");
    EXPECT_EQ(a.unitId, 4294967295u);
    EXPECT_EQ(a.PeriodMs(), 200u);
    const sim::UnitConfig_t& b = units[1];
    EXPECT_EQ(b.unitId, 2u);
    EXPECT_EQ(b.strings, std::vector<std::string>{"Trail Unit Software 2"});
    EXPECT_FALSE(b.unitName.has_value());
    EXPECT_EQ(ioa::FormatProtocolRecords(b.protocols), "L001 A010 A601");
    EXPECT_EQ(b.protocolArray, sim::ProtocolArray_t::BeforeProductData);
    EXPECT_EQ(b.replayPath, "/some/file");
    EXPECT_FALSE(b.replayLoop);
    EXPECT_DOUBLE_EQ(b.generator.latitude, -12.5);
    EXPECT_DOUBLE_EQ(b.generator.turnRate, -2.5);
    EXPECT_EQ(b.generator.startTime, 0);
    EXPECT_EQ(b.faults.silenceAfter, 12u);
    EXPECT_EQ(b.faults.malformedAfter, 3u);
    EXPECT_EQ(b.faults.noiseId, 14);
    EXPECT_TRUE(b.faults.shortProductData);
    EXPECT_TRUE(b.faults.noNameAnswer);
}

TEST(SimulationConfig, EmptyNameAndEmptyArrayAreValues) {
    const auto units = sim::ParseSimulation("name=,protocols=;array=none");
    EXPECT_EQ(units[0].unitName, "");
    EXPECT_TRUE(units[0].protocols.empty());
    EXPECT_EQ(units[1].protocolArray, sim::ProtocolArray_t::None);
}

TEST(SimulationConfig, HostileTextGivesClearErrors) {
    const struct {
        std::string text;
        const char* message;  // part of the message
    } cases[] = {
        {"17", "at most 16 units"},
        {"99999999999999999999", "at most 16 units"},
        {"product=65536", "unit 1: 'product' must be a whole number from 0 to 65535"},
        {"product=-1", "'product' must be"},
        {"product=0x10", "'product' must be"},
        {"product=", "'product' must be"},
        {"product", "'product' needs a value"},
        {"noname=1", "'noname' takes no value"},
        {"version=32768", "'version' must be"},
        {"rate=0", "'rate' must be a number from 0.01 to 50"},
        {"rate=nan", "'rate' must be"},
        {"rate=inf", "'rate' must be"},
        {"rate=1e3", "'rate' must be"},
        {"product=1;colour=red", "unit 2: unknown setting 'colour'"},
        {"product=1,product=2", "'product' is given twice"},
        {"name=a\tb", "'name' must be text without control characters"},
        {"name=" + std::string(256, 'n'), "at most 255 bytes"},
        {"protocols=A", "'protocols' must be protocol records"},
        {"protocols=a010", "upper-case tags"},
        {"array=sideways", "after, before or none"},
        {"noise=180", "an id other than"},
        {"replay=", "a file path"},
        {",", "empty setting"},
        {"=5", "empty setting"},
        {"unitid=3;unitid=3", "unit 2: unit ID 3 is already taken"},
        {"unitid=2;product=1", "unit 2: unit ID 2 is already taken"},
        {std::string("\x01\x7f=") + "x",
         "unknown setting '?"
         "?'"},
        {std::string(sim::kMaxConfigLength + 1, ';'), "longer than"},
        {";;;;;;;;;;;;;;;;;", "at most 16 units"},
    };
    for (const auto& c : cases) {
        try {
            sim::ParseSimulation(c.text);
            ADD_FAILURE() << "accepted: " << c.text.substr(0, 60);
        } catch (const sim::Error_t& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << e.what() << " / expected " << c.message;
            EXPECT_EQ(std::string(e.what()).rfind("QUORVEL_SIMULATE: ", 0), 0u) << e.what();
        }
    }
}

TEST(SimulationConfig, ComesFromTheEnvironment) {
    ::unsetenv(sim::kSimulateVariable);
    EXPECT_TRUE(sim::SimulationFromEnvironment().empty());
    ::setenv(sim::kSimulateVariable, "product=5;", 1);
    const auto units = sim::SimulationFromEnvironment();
    ::unsetenv(sim::kSimulateVariable);
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].productId, 5);
}

}  // namespace
