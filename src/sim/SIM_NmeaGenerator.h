// Realistic sentences of a receiver that moves along a circular track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/SIM_NmeaSource.h"

namespace sim {

struct GeneratorConfig_t {
    double latitude = 51.4779;    // degrees, north positive
    double longitude = -0.0015;   // degrees, east positive
    double altitude = 45.0;       // metres above mean sea level
    double speed = 5.0;           // metres per second
    double course = 90.0;         // degrees true
    double turnRate = 1.0;        // degrees per second; the track is a circle
    std::int64_t startTime = -1;  // UTC seconds since 1970; -1: the time now
    std::uint32_t periodMs = 1000;
};

// Each burst is GGA, RMC, GSA and three GSV sentences for the same fix; the
// next burst is one period later and further along the track.
class NmeaGenerator_t final : public NmeaSource_t {
public:
    explicit NmeaGenerator_t(const GeneratorConfig_t& config);

    std::vector<std::string> NextBurst() override;

private:
    std::string Gga() const;
    std::string Rmc() const;
    std::string Gsa() const;
    std::vector<std::string> Gsv() const;
    std::string TimeField() const;
    std::string LatitudeFields() const;
    std::string LongitudeFields() const;
    void Move();

    GeneratorConfig_t config_;
    double latitude_;
    double longitude_;
    double course_;
    std::int64_t timeMs_;  // UTC milliseconds since 1970
    std::uint64_t fixes_ = 0;
};

}  // namespace sim
