#include "pal/PAL_UsbPath.h"

#include <charconv>
#include <cstdio>

namespace pal {
namespace {

constexpr std::string_view kPrefix = "\\\\?\\usb#vid_";
constexpr std::string_view kProduct = "&pid_";
constexpr std::string_view kInterfaceClass = "#{2c9c45c2-8e7d-4c08-a12d-816bbae722c0}";
constexpr std::size_t kMaxPathLength = 128;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

// Reads the text off the front of a path.
class Reader_t {
public:
    explicit Reader_t(std::string_view text) : text_(text) {}

    bool Literal(std::string_view literal) {
        if (text_.size() < literal.size()) {
            return false;
        }
        for (std::size_t i = 0; i < literal.size(); ++i) {
            if (Lower(text_[i]) != literal[i]) {
                return false;
            }
        }
        text_.remove_prefix(literal.size());
        return true;
    }

    bool Hex16(std::uint16_t& value) {
        if (text_.size() < 4) {
            return false;
        }
        for (std::size_t i = 0; i < 4; ++i) {
            if (!IsHexDigit(text_[i])) {
                return false;
            }
        }
        std::from_chars(text_.data(), text_.data() + 4, value, 16);
        text_.remove_prefix(4);
        return true;
    }

    // 0 to 255, no sign, no leading zero.
    bool Byte(std::uint8_t& value) {
        std::size_t digits = 0;
        while (digits < text_.size() && digits < 4 && IsDigit(text_[digits])) {
            ++digits;
        }
        unsigned number = 0;
        if (digits == 0 || digits > 3 || (digits > 1 && text_[0] == '0')) {
            return false;
        }
        std::from_chars(text_.data(), text_.data() + digits, number);
        if (number > 255) {
            return false;
        }
        value = static_cast<std::uint8_t>(number);
        text_.remove_prefix(digits);
        return true;
    }

    bool AtEnd() const { return text_.empty(); }

private:
    std::string_view text_;
};

}  // namespace

std::string UsbUnitPath(const UsbUnitLocation_t& location) {
    std::string path = std::string(kPrefix) + Hex4(location.id.vendor) + std::string(kProduct) +
                       Hex4(location.id.product) + "#" + std::to_string(location.bus) + "-";
    for (std::size_t i = 0; i < location.ports.size(); ++i) {
        path += (i == 0 ? "" : ".") + std::to_string(location.ports[i]);
    }
    return path + std::string(kInterfaceClass);
}

std::optional<UsbUnitLocation_t> ParseUsbUnitPath(std::string_view path) {
    if (path.size() > kMaxPathLength) {
        return std::nullopt;
    }
    Reader_t reader(path);
    UsbUnitLocation_t location;
    if (!reader.Literal(kPrefix) || !reader.Hex16(location.id.vendor) ||
        !reader.Literal(kProduct) || !reader.Hex16(location.id.product) || !reader.Literal("#") ||
        !reader.Byte(location.bus) || !reader.Literal("-")) {
        return std::nullopt;
    }
    do {
        std::uint8_t port = 0;
        if (location.ports.size() == kMaxUsbPortDepth || !reader.Byte(port)) {
            return std::nullopt;
        }
        location.ports.push_back(port);
    } while (reader.Literal("."));
    if (!reader.Literal(kInterfaceClass) || !reader.AtEnd()) {
        return std::nullopt;
    }
    return location;
}

}  // namespace pal
