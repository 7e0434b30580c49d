#include "iol/IOL_Frame.h"

#include <iomanip>
#include <limits>
#include <locale>
#include <string>

#include "iol/IOL_Exception.h"
#include "win/WIN_Locale.h"

namespace iol {
namespace {

// The program-wide locale decides which bytes the dump shows as themselves.
// When the system's locale cannot be made the classic one stands in: a dump
// is made while reporting another failure and must not fail itself.
const std::locale& DumpLocale() {
    try {
        return win::ProgramLocale();
    } catch (...) {
        return std::locale::classic();
    }
}

bool IsPrintable(std::uint8_t byte) {
    const auto& ctype = std::use_facet<std::ctype<char>>(DumpLocale());
    return ctype.is(std::ctype_base::print, static_cast<char>(byte));
}

constexpr std::size_t kMaxDataSize = std::numeric_limits<std::uint32_t>::max();
constexpr unsigned kBytesPerLine = 16;

}  // namespace

Frame_t::Frame_t(std::uint16_t id) : id_(id), data_(new Data_t) {}

Frame_t::Frame_t(std::uint16_t id, bin::istream* stream) : id_(id), data_(new Data_t) {
    if (stream == nullptr) {
        return;
    }
    auto& bytes = data_->bytes;
    for (;;) {
        const auto next = stream->get();
        if (next == std::char_traits<char>::eof()) {
            break;
        }
        if (bytes.size() == kMaxDataSize) {
            throw Exception_t(__FILE__, 35, {});
        }
        bytes.push_back(static_cast<std::uint8_t>(next));
    }
}

Frame_t::Frame_t(std::uint16_t id, const void* bytes, std::size_t count)
    : id_(id), data_(new Data_t) {
    if (bytes != nullptr && count > 0) {
        const auto* first = static_cast<const std::uint8_t*>(bytes);
        data_->bytes.assign(first, first + count);
    }
}

void Frame_t::Dump(std::ostream& out) const {
    out << "Frame: (ID,DATA)\n";
    out << "ID: " << id_ << "\n";
    const auto& bytes = data_->bytes;
    if (bytes.empty()) {
        return;
    }
    std::string line;
    std::uint16_t i = 0;
    for (const std::uint8_t byte : bytes) {
        if (i % kBytesPerLine == 0) {
            out << std::hex << std::setfill('0') << std::setw(4) << i << ": ";
        }
        out << std::setw(2) << static_cast<unsigned>(byte) << " ";
        line.push_back(IsPrintable(byte) ? static_cast<char>(byte) : '.');
        if ((i + 1) % kBytesPerLine == 0) {
            out << "  " << line << "\n";
            line.clear();
        }
        ++i;
    }
    if (!line.empty()) {
        for (std::size_t missing = kBytesPerLine - line.size(); missing > 0; --missing) {
            out << "   ";
        }
        out << "  " << line << "\n";
    }
}

}  // namespace iol
