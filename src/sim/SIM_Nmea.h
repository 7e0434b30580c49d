// NMEA 0183 sentence framing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// XOR of the characters between "$" and "*" (the body).
std::uint8_t NmeaChecksum(std::string_view body);
// "$" body "*" checksum in two upper-case hex digits, CR LF.
std::string MakeNmeaSentence(std::string_view body);
// Whether text is one framed sentence with a correct checksum and CR LF.
bool IsValidNmeaSentence(std::string_view text);

}  // namespace sim
