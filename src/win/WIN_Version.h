// A file version: four 16-bit numbers, as the fixed part of a version block
// holds them.
#pragma once

#include <cstdint>
#include <string>

#include "pal/PAL_VersionBlock.h"

namespace win {

struct Version_t {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t third = 0;
    std::uint16_t fourth = 0;

    Version_t() = default;
    Version_t(std::uint16_t major_, std::uint16_t minor_, std::uint16_t third_,
              std::uint16_t fourth_);
    // Major and minor from the most significant word, third and fourth from
    // the least significant one.
    explicit Version_t(const pal::VS_FIXEDFILEINFO& fixed);

    // "major.minor.third.fourth"
    std::string Text() const;

    friend bool operator==(const Version_t&, const Version_t&) = default;
};

}  // namespace win
