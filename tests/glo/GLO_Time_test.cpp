#include "glo/GLO_Time.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>

namespace {

// Sets TZ for the test and puts the old value back.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        const char* old = getenv("TZ");
        hadOld_ = old != nullptr;
        old_ = hadOld_ ? old : "";
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (hadOld_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool hadOld_;
    std::string old_;
};

TEST(LocalUtcOffset, FollowsTheZoneAndDaylightSaving) {
    struct Case {
        const char* zone;
        glo::Time_t at;
        double offset;
    };
    const Case cases[] = {
        {"UTC0", 1700000000u, 0.0},
        {"EST5EDT,M3.2.0,M11.1.0", 1700000000u, -5 * 3600.0},  // November: standard time
        {"EST5EDT,M3.2.0,M11.1.0", 1690000000u, -4 * 3600.0},  // July: daylight time
        {"IST-5:30", 1700000000u, 5.5 * 3600.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        TimeZone zone(c.zone);
        EXPECT_EQ(glo::LocalUtcOffset(c.at).Seconds(), c.offset);
    }
}

TEST(Elapsed, SignedDifferenceInSeconds) {
    EXPECT_EQ(glo::Elapsed(100, 40).Seconds(), -60.0);
    EXPECT_EQ(glo::Elapsed(0, 0xFFFFFFFFu).Seconds(), 4294967295.0);
}

}  // namespace
