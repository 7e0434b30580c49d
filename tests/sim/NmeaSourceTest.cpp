#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "sim/SIM_Error.h"
#include "sim/SIM_Nmea.h"
#include "sim/SIM_NmeaGenerator.h"
#include "sim/SIM_NmeaReplay.h"
#include "support/TestRoot.h"

namespace {

// The fields of a framed sentence, "$" and checksum removed.
std::vector<std::string> Fields(const std::string& sentence) {
    const std::string body = sentence.substr(1, sentence.find('*') - 1);
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = body.find(',', start);
        fields.push_back(body.substr(start, comma - start));
        if (comma == std::string::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

double Degrees(const std::string& value, const std::string& hemisphere, int degreeDigits) {
    const double degrees = std::stod(value.substr(0, degreeDigits));
    const double minutes = std::stod(value.substr(degreeDigits));
    const double sign = hemisphere == "S" || hemisphere == "W" ? -1 : 1;
    return sign * (degrees + minutes / 60.0);
}

double Metres(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kRad = 3.14159265358979323846 / 180.0;
    const double dy = (lat2 - lat1) * kRad * 6371000.0;
    const double dx = (lon2 - lon1) * kRad * 6371000.0 * std::cos(lat1 * kRad);
    return std::hypot(dx, dy);
}

sim::GeneratorConfig_t FixedStart() {
    sim::GeneratorConfig_t config;
    config.startTime = 1714564800;  // 2024-05-01 12:00:00 UTC
    return config;
}

TEST(NmeaFraming, ChecksumAndLineEnd) {
    // The textbook example sentence and its checksum.
    const std::string body = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    EXPECT_EQ(sim::MakeNmeaSentence(body), "$" + body + "*47\r\n");
    EXPECT_TRUE(sim::IsValidNmeaSentence("$" + body + "*47\r\n"));
    for (const std::string& bad : {"$" + body + "*46\r\n", "$" + body + "*47\n", body + "*47\r\n",
                                   "$" + body + "*47", std::string("$*00\r\n"), std::string()}) {
        EXPECT_FALSE(sim::IsValidNmeaSentence(bad)) << bad;
    }
}

TEST(NmeaGenerator, EachBurstIsOneFixInValidSentences) {
    sim::NmeaGenerator_t generator(FixedStart());
    for (int fix = 0; fix < 5; ++fix) {
        const std::vector<std::string> burst = generator.NextBurst();
        ASSERT_EQ(burst.size(), 6u);
        std::vector<std::string> types;
        for (const std::string& sentence : burst) {
            EXPECT_TRUE(sim::IsValidNmeaSentence(sentence)) << sentence;
            EXPECT_LE(sentence.size(), 82u) << sentence;
            types.push_back(Fields(sentence)[0]);
        }
        EXPECT_EQ(types,
                  (std::vector<std::string>{"GPGGA", "GPRMC", "GPGSA", "GPGSV", "GPGSV", "GPGSV"}));
        const auto gga = Fields(burst[0]);
        const auto rmc = Fields(burst[1]);
        ASSERT_EQ(gga.size(), 15u);
        ASSERT_EQ(rmc.size(), 13u);
        EXPECT_EQ(gga[1], rmc[1]);  // one fix, one time
        EXPECT_EQ(gga[2], rmc[3]);
        EXPECT_EQ(gga[4], rmc[5]);
        EXPECT_EQ(gga[6], "1");
        EXPECT_EQ(rmc[2], "A");
        EXPECT_EQ(rmc[9], "010524");
        EXPECT_EQ(Fields(burst[2]).size(), 18u);
        EXPECT_EQ(Fields(burst[3 + 2])[2], "3");
    }
}

TEST(NmeaGenerator, MovesAlongTheTrackEachPeriod) {
    sim::GeneratorConfig_t config = FixedStart();
    config.speed = 10.0;
    config.periodMs = 500;
    sim::NmeaGenerator_t generator(config);
    std::vector<std::vector<std::string>> fixes;
    for (int i = 0; i < 4; ++i) {
        fixes.push_back(Fields(generator.NextBurst()[0]));
    }
    EXPECT_EQ(fixes[0][1], "120000.00");
    EXPECT_EQ(fixes[1][1], "120000.50");
    EXPECT_EQ(fixes[3][1], "120001.50");
    for (int i = 1; i < 4; ++i) {
        const double moved =
            Metres(Degrees(fixes[i - 1][2], fixes[i - 1][3], 2),
                   Degrees(fixes[i - 1][4], fixes[i - 1][5], 3),
                   Degrees(fixes[i][2], fixes[i][3], 2), Degrees(fixes[i][4], fixes[i][5], 3));
        EXPECT_NEAR(moved, 5.0, 0.5) << i;
    }
}

TEST(NmeaGenerator, WritesHemispheresAndRoundsMinutes) {
    sim::GeneratorConfig_t config = FixedStart();
    config.latitude = -33.5;
    config.longitude = -70.99999999;
    sim::NmeaGenerator_t generator(config);
    const auto gga = Fields(generator.NextBurst()[0]);
    EXPECT_EQ(gga[2], "3330.0000");
    EXPECT_EQ(gga[3], "S");
    EXPECT_EQ(gga[4], "07100.0000");
    EXPECT_EQ(gga[5], "W");
}

TEST(NmeaReplay, BurstsBeginAtTheFirstSentenceType) {
    sim::NmeaReplay_t replay("$GPGGA,1*00\n$GPRMC,1*00\r\n\n$GPGGA,2*00\n$GPGSV,2*00", true,
                             "test");
    EXPECT_EQ(replay.SentenceCount(), 4u);
    EXPECT_EQ(replay.NextBurst(), (std::vector<std::string>{"$GPGGA,1*00\r\n", "$GPRMC,1*00\r\n"}));
    EXPECT_EQ(replay.NextBurst(), (std::vector<std::string>{"$GPGGA,2*00\r\n", "$GPGSV,2*00\r\n"}));
    EXPECT_EQ(replay.NextBurst()[0], "$GPGGA,1*00\r\n");  // loops
}

TEST(NmeaReplay, WithoutLoopFallsSilent) {
    sim::NmeaReplay_t replay("$A,1\n$A,2\n", false, "test");
    EXPECT_EQ(replay.NextBurst().size(), 1u);
    EXPECT_EQ(replay.NextBurst().size(), 1u);
    EXPECT_TRUE(replay.NextBurst().empty());
    EXPECT_TRUE(replay.NextBurst().empty());
}

TEST(NmeaReplay, RefusesWhatItCannotSend) {
    const std::string longLine(sim::NmeaReplay_t::kMaxLineLength + 1, 'x');
    for (const std::string& text :
         {std::string(), std::string("\n\r\n"), std::string("$A\n$B\x01\n"),
          std::string("$A\0B", 4), longLine}) {
        EXPECT_THROW(sim::NmeaReplay_t(text, true, "test"), sim::Error_t);
    }
    EXPECT_THROW(sim::NmeaReplay_t::FromFile(testsupport::FreshRoot() + "/missing.nmea", true),
                 sim::Error_t);
}

TEST(NmeaReplay, ReadsAFile) {
    const std::string path = testsupport::FreshRoot() + "/track.nmea";
    std::ofstream(path) << "$GPGGA,1*00\r\n$GPRMC,1*00\r\n";
    sim::NmeaReplay_t replay = sim::NmeaReplay_t::FromFile(path, false);
    EXPECT_EQ(replay.NextBurst().size(), 2u);
}

}  // namespace
