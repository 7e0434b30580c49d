// Sentences replayed from a text log, one sentence a line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SIM_NmeaSource.h"

namespace sim {

// Lines are sent as they stand (checksums are not corrected), each ended by
// CR LF whatever the file used; empty lines are skipped. A burst begins at
// every line of the same sentence type as the first one (a log that starts
// with GGA has one burst per GGA). At the end it starts over when looping,
// else it falls silent.
class NmeaReplay_t final : public NmeaSource_t {
public:
    static constexpr std::size_t kMaxLineLength = 1024;
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    // Throws sim::Error_t for a file that cannot be read, is too large, holds
    // no sentence, a line that is too long or one with control characters.
    static NmeaReplay_t FromFile(const std::string& path, bool loop);
    // origin names the text in error messages.
    NmeaReplay_t(std::string_view text, bool loop, const std::string& origin);

    std::vector<std::string> NextBurst() override;
    std::size_t SentenceCount() const { return sentences_.size(); }

private:
    std::vector<std::string> sentences_;
    std::string burstType_;
    bool loop_;
    std::size_t next_ = 0;
};

}  // namespace sim
