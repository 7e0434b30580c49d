#include "sim/SIM_Nmea.h"

namespace sim {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";
}

std::uint8_t NmeaChecksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (char c : body) {
        sum ^= static_cast<std::uint8_t>(c);
    }
    return sum;
}

std::string MakeNmeaSentence(std::string_view body) {
    const std::uint8_t sum = NmeaChecksum(body);
    std::string sentence;
    sentence.reserve(body.size() + 6);
    sentence += '$';
    sentence += body;
    sentence += '*';
    sentence += kHex[sum >> 4];
    sentence += kHex[sum & 0xF];
    sentence += "\r\n";
    return sentence;
}

bool IsValidNmeaSentence(std::string_view text) {
    // "$", at least one body character, "*HH", CR LF.
    if (text.size() < 7 || text.front() != '$' || !text.ends_with("\r\n")) {
        return false;
    }
    const std::size_t star = text.size() - 5;
    if (text[star] != '*') {
        return false;
    }
    const std::string_view body = text.substr(1, star - 1);
    for (char c : body) {
        if (c == '$' || c == '*' || c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    const std::uint8_t sum = NmeaChecksum(body);
    return text[star + 1] == kHex[sum >> 4] && text[star + 2] == kHex[sum & 0xF];
}

}  // namespace sim
