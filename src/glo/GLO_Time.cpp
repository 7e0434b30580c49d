#include "glo/GLO_Time.h"

#include <ctime>

namespace glo {

Time_t CurrentTime() {
    return static_cast<Time_t>(std::time(nullptr));
}

TimeSpan_t LocalUtcOffset(Time_t at) {
    const std::time_t t = at;
    std::tm local{};
    std::tm utc{};
    localtime_r(&t, &local);
    gmtime_r(&t, &utc);
    // Read both calendar times back as if they were UTC; their difference is
    // the offset, daylight saving included.
    const std::time_t asLocal = timegm(&local);
    const std::time_t asUtc = timegm(&utc);
    return TimeSpan_t(static_cast<double>(asLocal - asUtc));
}

TimeSpan_t LocalUtcOffset() {
    return LocalUtcOffset(CurrentTime());
}

TimeSpan_t Elapsed(Time_t from, Time_t to) {
    return TimeSpan_t(static_cast<double>(static_cast<std::int64_t>(to) - from));
}

}  // namespace glo
