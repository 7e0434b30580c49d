// The binary layout of our version blocks (docs/version-block.md) and a
// constexpr encoder, so that the build can bake a block into an ELF section
// of its own and tests can craft blocks of their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pal {

struct VS_FIXEDFILEINFO {
    std::uint32_t dwSignature;
    std::uint32_t dwStrucVersion;
    std::uint32_t dwFileVersionMS;
    std::uint32_t dwFileVersionLS;
    std::uint32_t dwProductVersionMS;
    std::uint32_t dwProductVersionLS;
    std::uint32_t dwFileFlagsMask;
    std::uint32_t dwFileFlags;
    std::uint32_t dwFileOS;
    std::uint32_t dwFileType;
    std::uint32_t dwFileSubtype;
    std::uint32_t dwFileDateMS;
    std::uint32_t dwFileDateLS;
};

namespace versionblock {

constexpr std::string_view kSectionName = ".quorvel_version";
constexpr std::array<std::uint8_t, 4> kMagic = {'Q', 'V', 'B', '1'};
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr std::uint32_t kFixedStrucVersion = 0x00010000u;
constexpr std::uint32_t kFileOsLinux = 0x00000004u;  // reported like VOS__WINDOWS32
constexpr std::uint32_t kFileTypeApp = 1;
constexpr std::uint32_t kFileTypeDll = 2;

constexpr std::size_t kFixedOffset = 8;
constexpr std::size_t kFixedSize = 52;
constexpr std::size_t kTranslationCountOffset = kFixedOffset + kFixedSize;  // 60
constexpr std::size_t kTranslationsOffset = kTranslationCountOffset + 4;    // 64
constexpr std::size_t kTableNameSize = 8;                                   // "040904e4"
// Blocks, keys and values are bounded so that a hostile file cannot make a
// reader allocate or scan without limit.
constexpr std::size_t kMaxBlockSize = 64 * 1024;
constexpr std::size_t kMaxTranslations = 64;
constexpr std::size_t kMaxEntryText = 0xFFFF;

struct String_t {
    std::string_view key;
    std::string_view value;
};

template <std::size_t N>
struct Contents_t {
    std::array<std::uint16_t, 4> fileVersion;  // major, minor, third, fourth
    std::uint16_t language;
    std::uint16_t codePage;
    std::uint32_t fileType;
    std::array<String_t, N> strings;
};

template <std::size_t N>
constexpr std::size_t EncodedSize(const Contents_t<N>& contents) {
    std::size_t size = kTranslationsOffset + 4  // one translation
                       + 4                      // table count
                       + kTableNameSize + 4;    // the one table and its entry count
    for (const String_t& s : contents.strings) {
        size += 4 + s.key.size() + 1 + s.value.size() + 1;
    }
    return size;
}

constexpr char HexDigit(unsigned value) {
    return static_cast<char>(value < 10 ? '0' + value : 'a' + (value - 10));
}

template <std::size_t Size>
class Writer_t {
public:
    constexpr void U8(std::uint8_t v) { bytes[pos++] = v; }
    constexpr void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v & 0xFF));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    constexpr void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v & 0xFFFF));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    constexpr void Text(std::string_view text) {
        for (char c : text) {
            U8(static_cast<std::uint8_t>(c));
        }
        U8(0);
    }

    std::array<std::uint8_t, Size> bytes{};
    std::size_t pos = 0;
};

// Size must be EncodedSize(contents); the build computes both at compile time.
template <std::size_t Size, std::size_t N>
constexpr std::array<std::uint8_t, Size> Encode(const Contents_t<N>& contents) {
    Writer_t<Size> w;
    for (std::uint8_t m : kMagic) {
        w.U8(m);
    }
    w.U32(static_cast<std::uint32_t>(Size));
    const std::uint32_t ms =
        (std::uint32_t{contents.fileVersion[0]} << 16) | contents.fileVersion[1];
    const std::uint32_t ls =
        (std::uint32_t{contents.fileVersion[2]} << 16) | contents.fileVersion[3];
    const std::uint32_t fixed[13] = {kFixedSignature, kFixedStrucVersion, ms, ls, ms, ls, 0x3F, 0,
                                     kFileOsLinux,    contents.fileType,  0,  0,  0};
    for (std::uint32_t v : fixed) {
        w.U32(v);
    }
    w.U32(1);
    w.U32(contents.language | (std::uint32_t{contents.codePage} << 16));
    w.U32(1);
    const unsigned parts[2] = {contents.language, contents.codePage};
    for (unsigned part : parts) {
        for (int shift = 12; shift >= 0; shift -= 4) {
            w.U8(static_cast<std::uint8_t>(HexDigit((part >> shift) & 0xF)));
        }
    }
    w.U32(static_cast<std::uint32_t>(N));
    for (const String_t& s : contents.strings) {
        w.U16(static_cast<std::uint16_t>(s.key.size() + 1));
        w.U16(static_cast<std::uint16_t>(s.value.size() + 1));
        w.Text(s.key);
        w.Text(s.value);
    }
    return w.bytes;
}

}  // namespace versionblock
}  // namespace pal
