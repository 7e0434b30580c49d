#pragma once

#include <cstdint>

namespace glo {

// A point in time: seconds since 1 January 1970 UTC, 32 bits.
using Time_t = std::uint32_t;

// A duration in seconds.
class TimeSpan_t {
public:
    TimeSpan_t() = default;
    explicit TimeSpan_t(double seconds) : seconds_(seconds) {}
    double Seconds() const { return seconds_; }
    TimeSpan_t operator+(TimeSpan_t other) const { return TimeSpan_t(seconds_ + other.seconds_); }
    TimeSpan_t operator-(TimeSpan_t other) const { return TimeSpan_t(seconds_ - other.seconds_); }
    bool operator==(const TimeSpan_t&) const = default;

private:
    double seconds_ = 0.0;
};

Time_t CurrentTime();
// Difference between a point in time read as local calendar time and as UTC
// calendar time, in seconds (east of Greenwich is positive).
TimeSpan_t LocalUtcOffset(Time_t at);
TimeSpan_t LocalUtcOffset();
TimeSpan_t Elapsed(Time_t from, Time_t to);

}  // namespace glo
