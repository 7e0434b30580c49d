#include "sim/SIM_NmeaGenerator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "sim/SIM_Nmea.h"

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadius = 6371000.0;  // metres
constexpr double kKnotsPerMetrePerSecond = 1.943844;

struct Satellite_t {
    int prn;
    int elevation;  // degrees
    int azimuth;    // degrees at the start
    int snr;        // dB-Hz
};

// In view; the first eight are used in the fix.
constexpr Satellite_t kSatellites[] = {
    {2, 67, 112, 46},  {5, 54, 231, 44}, {7, 41, 48, 42},   {9, 35, 302, 40},
    {13, 28, 160, 38}, {15, 22, 79, 37}, {18, 61, 11, 45},  {20, 17, 270, 33},
    {24, 9, 195, 28},  {27, 6, 340, 25}, {29, 12, 128, 30}, {30, 4, 21, 21},
};
constexpr int kUsedSatellites = 8;

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[128];
    const int length = std::snprintf(text, sizeof text, format, args...);
    return std::string(text, length < 0 ? 0 : std::min<std::size_t>(length, sizeof text - 1));
}

std::string Angle(double degrees, int degreeDigits) {
    // Whole 1/10000 minutes, so rounding never shows 60 minutes.
    const auto units = static_cast<std::int64_t>(std::llround(std::fabs(degrees) * 600000.0));
    const auto whole = static_cast<int>(units / 600000);
    const auto minutes = static_cast<int>((units % 600000) / 10000);
    const auto fraction = static_cast<int>(units % 10000);
    return Format("%0*d%02d.%04d", degreeDigits, whole, minutes, fraction);
}

std::tm UtcCalendar(std::int64_t timeMs) {
    const std::time_t seconds = static_cast<std::time_t>(timeMs / 1000);
    std::tm calendar{};
    gmtime_r(&seconds, &calendar);
    return calendar;
}

double Wrap360(double degrees) {
    degrees = std::fmod(degrees, 360.0);
    return degrees < 0 ? degrees + 360.0 : degrees;
}

}  // namespace

NmeaGenerator_t::NmeaGenerator_t(const GeneratorConfig_t& config)
    : config_(config),
      latitude_(config.latitude),
      longitude_(config.longitude),
      course_(Wrap360(config.course)) {
    if (config_.periodMs == 0) {
        config_.periodMs = 1000;
    }
    if (config_.startTime < 0) {
        timeMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
    } else {
        timeMs_ = config_.startTime * 1000;
    }
}

std::vector<std::string> NmeaGenerator_t::NextBurst() {
    std::vector<std::string> burst{Gga(), Rmc(), Gsa()};
    for (std::string& gsv : Gsv()) {
        burst.push_back(std::move(gsv));
    }
    Move();
    return burst;
}

std::string NmeaGenerator_t::TimeField() const {
    const std::tm utc = UtcCalendar(timeMs_);
    const int hundredths = static_cast<int>((timeMs_ % 1000) / 10);
    return Format("%02d%02d%02d.%02d", utc.tm_hour, utc.tm_min, utc.tm_sec, hundredths);
}

std::string NmeaGenerator_t::LatitudeFields() const {
    return Angle(latitude_, 2) + (latitude_ < 0 ? ",S" : ",N");
}

std::string NmeaGenerator_t::LongitudeFields() const {
    return Angle(longitude_, 3) + (longitude_ < 0 ? ",W" : ",E");
}

std::string NmeaGenerator_t::Gga() const {
    return MakeNmeaSentence(
        "GPGGA," + TimeField() + "," + LatitudeFields() + "," + LongitudeFields() +
        Format(",1,%02d,0.9,%.1f,M,47.0,M,,", kUsedSatellites, config_.altitude));
}

std::string NmeaGenerator_t::Rmc() const {
    const std::tm utc = UtcCalendar(timeMs_);
    return MakeNmeaSentence(
        "GPRMC," + TimeField() + ",A," + LatitudeFields() + "," + LongitudeFields() +
        Format(",%.1f,%.1f,%02d%02d%02d,,,A", config_.speed * kKnotsPerMetrePerSecond, course_,
               utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100));
}

std::string NmeaGenerator_t::Gsa() const {
    std::string body = "GPGSA,A,3";
    for (int i = 0; i < 12; ++i) {
        body += i < kUsedSatellites ? Format(",%02d", kSatellites[i].prn) : std::string(",");
    }
    return MakeNmeaSentence(body + ",1.6,0.9,1.3");
}

std::vector<std::string> NmeaGenerator_t::Gsv() const {
    constexpr int kCount = static_cast<int>(std::size(kSatellites));
    constexpr int kPerSentence = 4;
    constexpr int kSentences = (kCount + kPerSentence - 1) / kPerSentence;
    // The sky turns slowly: a quarter of a degree of azimuth per minute.
    const int drift = static_cast<int>((fixes_ * config_.periodMs / 240000) % 360);
    std::vector<std::string> sentences;
    for (int s = 0; s < kSentences; ++s) {
        std::string body = Format("GPGSV,%d,%d,%02d", kSentences, s + 1, kCount);
        for (int i = s * kPerSentence; i < std::min(kCount, (s + 1) * kPerSentence); ++i) {
            const Satellite_t& sat = kSatellites[i];
            body += Format(",%02d,%02d,%03d,%02d", sat.prn, sat.elevation,
                           (sat.azimuth + drift) % 360, sat.snr);
        }
        sentences.push_back(MakeNmeaSentence(body));
    }
    return sentences;
}

void NmeaGenerator_t::Move() {
    const double seconds = config_.periodMs / 1000.0;
    const double distance = config_.speed * seconds;
    const double courseRad = course_ * kPi / 180.0;
    latitude_ += distance * std::cos(courseRad) / kEarthRadius * 180.0 / kPi;
    latitude_ = std::fmax(-89.9, std::fmin(89.9, latitude_));
    const double cosLat = std::cos(latitude_ * kPi / 180.0);
    longitude_ += distance * std::sin(courseRad) / (kEarthRadius * cosLat) * 180.0 / kPi;
    if (longitude_ >= 180.0) {
        longitude_ -= 360.0;
    } else if (longitude_ < -180.0) {
        longitude_ += 360.0;
    }
    course_ = Wrap360(course_ + config_.turnRate * seconds);
    timeMs_ += config_.periodMs;
    ++fixes_;
}

}  // namespace sim
