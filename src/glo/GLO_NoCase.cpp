#include "glo/GLO_NoCase.h"

#include <cstdint>

#include "glo/GLO_Exception.h"

namespace glo {
namespace {

constexpr int kInvalid = -1;

// Decodes the character at position, advancing it. Returns the number of
// bytes (1 for single-byte characters) or kInvalid; value is the
// comparison value.
int Measure(const std::string& text, std::size_t& position, std::int32_t& value) {
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) {
        const char upper = lead >= 'a' && lead <= 'z' ? static_cast<char>(lead - 'a' + 'A')
                                                      : static_cast<char>(lead);
        value = static_cast<signed char>(upper);
        ++position;
        return 1;
    }
    int length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return kInvalid;
    }
    if (text.size() - position < static_cast<std::size_t>(length)) {
        return kInvalid;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[position + static_cast<std::size_t>(i)]);
        if ((next & 0xC0u) != 0x80u) {
            return kInvalid;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return kInvalid;
    }
    value = static_cast<std::int32_t>(code);
    position += static_cast<std::size_t>(length);
    return length;
}

// The first difference, or the comparison of lengths in characters.
int Compare(const std::string& a, const std::string& b, unsigned lineA, unsigned lineB) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        std::int32_t left = 0;
        std::int32_t right = 0;
        Check(Measure(a, i, left) != kInvalid, __FILE__, lineA);
        Check(Measure(b, j, right) != kInvalid, __FILE__, lineB);
        if (left != right) {
            return left < right ? -1 : 1;
        }
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

}  // namespace

int CompareNoCase(const std::string& a, const std::string& b) {
    return Compare(a, b, 107, 110);
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) < 0;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return Compare(a, b, 288, 291) == 0;
}

bool IsMeasurable(const std::string& text) {
    std::size_t position = 0;
    std::int32_t value = 0;
    while (position < text.size()) {
        if (Measure(text, position, value) == kInvalid) {
            return false;
        }
    }
    return true;
}

}  // namespace glo
