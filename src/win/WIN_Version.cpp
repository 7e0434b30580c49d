#include "win/WIN_Version.h"

namespace win {

Version_t::Version_t(std::uint16_t major_, std::uint16_t minor_, std::uint16_t third_,
                     std::uint16_t fourth_)
    : major(major_), minor(minor_), third(third_), fourth(fourth_) {}

Version_t::Version_t(const pal::VS_FIXEDFILEINFO& fixed)
    : major(static_cast<std::uint16_t>(fixed.dwFileVersionMS >> 16)),
      minor(static_cast<std::uint16_t>(fixed.dwFileVersionMS & 0xFFFF)),
      third(static_cast<std::uint16_t>(fixed.dwFileVersionLS >> 16)),
      fourth(static_cast<std::uint16_t>(fixed.dwFileVersionLS & 0xFFFF)) {}

std::string Version_t::Text() const {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(third) + "." +
           std::to_string(fourth);
}

}  // namespace win
