#pragma once

#include <string>
#include <vector>

namespace sim {

// Where a simulated unit's sentences come from: one burst per fix, each
// sentence complete with its CR LF.
class NmeaSource_t {
public:
    virtual ~NmeaSource_t() = default;
    // The sentences of the next fix; empty once the source is exhausted.
    virtual std::vector<std::string> NextBurst() = 0;
};

}  // namespace sim
