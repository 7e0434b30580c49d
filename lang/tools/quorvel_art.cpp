// Build tool: draws the program icon (PNG, 64x64, RGBA) and the splash
// bitmap (BMP, 24-bit) of the language module: a compass rose with a small
// satellite above it. Usage: quorvel_art <icon.png> <splash.bmp>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Rgba_t {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba_t Over(Rgba_t top, Rgba_t bottom) {
    const double a = top.a + bottom.a * (1 - top.a);
    if (a <= 0) {
        return {};
    }
    auto mix = [&](double t, double u) { return (t * top.a + u * bottom.a * (1 - top.a)) / a; };
    return {mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), a};
}

struct Point_t {
    double x, y;
};

double Cross(Point_t a, Point_t b, Point_t p) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

bool InTriangle(Point_t p, Point_t a, Point_t b, Point_t c) {
    const double d1 = Cross(a, b, p), d2 = Cross(b, c, p), d3 = Cross(c, a, p);
    const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

// The glyph in unit coordinates: centre (0, 0), radius 1, y downwards.
Rgba_t Glyph(double x, double y) {
    const double r = std::hypot(x, y);
    const double angle = std::atan2(y, x);
    const Rgba_t navy{0.07, 0.15, 0.32, 1}, ring{0.85, 0.72, 0.30, 1};
    const Rgba_t red{0.86, 0.16, 0.14, 1}, white{0.95, 0.96, 0.98, 1};
    const Rgba_t panel{0.25, 0.55, 0.90, 1}, body{0.80, 0.82, 0.86, 1};
    Rgba_t out{};
    if (r <= 0.96) {
        out = navy;
    }
    if (r > 0.80 && r <= 0.90) {
        out = ring;
    }
    // Sixteen ticks inside the ring, longer at the cardinal points.
    const double sector = std::fmod(angle + 2 * M_PI, M_PI / 8);
    const bool nearTick = sector < 0.05 || sector > M_PI / 8 - 0.05;
    const double step = std::round((angle + 2 * M_PI) / (M_PI / 8));
    const bool cardinal = static_cast<long>(step) % 4 == 0;
    if (nearTick && r > (cardinal ? 0.62 : 0.70) && r <= 0.80) {
        out = ring;
    }
    // The needle: north half red, south half white.
    const Point_t p{x, y};
    if (InTriangle(p, {0, -0.72}, {-0.14, 0}, {0.14, 0})) {
        out = red;
    }
    if (InTriangle(p, {0, 0.72}, {-0.14, 0}, {0.14, 0})) {
        out = white;
    }
    if (r < 0.06) {
        out = ring;
    }
    // A small satellite at the upper right, tilted, with two panels.
    const double c = std::cos(-M_PI / 4), s = std::sin(-M_PI / 4);
    const double sx = (x - 0.58) * c - (y + 0.58) * s, sy = (x - 0.58) * s + (y + 0.58) * c;
    if (std::abs(sx) < 0.09 && std::abs(sy) < 0.09) {
        out = body;
    } else if (std::abs(sy) < 0.06 && std::abs(sx) > 0.12 && std::abs(sx) < 0.36) {
        out = panel;
    }
    return out;
}

// 5x7 capitals for the splash title.
const std::array<const char*, 7>* Letter(char c) {
    static const std::array<const char*, 7> q = {".###.", "#...#", "#...#", "#...#",
                                                 "#.#.#", "#..#.", ".##.#"};
    static const std::array<const char*, 7> u = {"#...#", "#...#", "#...#", "#...#",
                                                 "#...#", "#...#", ".###."};
    static const std::array<const char*, 7> o = {".###.", "#...#", "#...#", "#...#",
                                                 "#...#", "#...#", ".###."};
    static const std::array<const char*, 7> rr = {"####.", "#...#", "#...#", "####.",
                                                  "#.#..", "#..#.", "#...#"};
    static const std::array<const char*, 7> v = {"#...#", "#...#", "#...#", "#...#",
                                                 "#...#", ".#.#.", "..#.."};
    static const std::array<const char*, 7> e = {"#####", "#....", "#....", "####.",
                                                 "#....", "#....", "#####"};
    static const std::array<const char*, 7> l = {"#....", "#....", "#....", "#....",
                                                 "#....", "#....", "#####"};
    switch (c) {
        case 'Q':
            return &q;
        case 'U':
            return &u;
        case 'O':
            return &o;
        case 'R':
            return &rr;
        case 'V':
            return &v;
        case 'E':
            return &e;
        case 'L':
            return &l;
        default:
            return nullptr;
    }
}

bool InTitle(double x, double y, double left, double top, double cell) {
    const std::string title = "QUORVEL";
    const int column = static_cast<int>(std::floor((x - left) / cell));
    const int row = static_cast<int>(std::floor((y - top) / cell));
    if (column < 0 || row < 0 || row >= 7) {
        return false;
    }
    const std::size_t letter = static_cast<std::size_t>(column / 6);
    const int inLetter = column % 6;
    if (letter >= title.size() || inLetter >= 5) {
        return false;
    }
    return (*Letter(title[letter]))[static_cast<std::size_t>(row)][inLetter] == '#';
}

using Shader = Rgba_t (*)(double x, double y, int width, int height);

std::vector<Rgba_t> Render(int width, int height, Shader shade) {
    constexpr int kSamples = 4;  // per axis, for smooth edges
    std::vector<Rgba_t> pixels(static_cast<std::size_t>(width * height));
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            Rgba_t sum{};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgba_t s = shade(px + (sx + 0.5) / kSamples, py + (sy + 0.5) / kSamples,
                                           width, height);
                    sum.r += s.r * s.a;
                    sum.g += s.g * s.a;
                    sum.b += s.b * s.a;
                    sum.a += s.a;
                }
            }
            Rgba_t& p = pixels[static_cast<std::size_t>(py * width + px)];
            if (sum.a > 0) {
                p = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (kSamples * kSamples)};
            }
        }
    }
    return pixels;
}

Rgba_t IconShader(double x, double y, int width, int height) {
    return Glyph((x - width / 2.0) / (width / 2.0), (y - height / 2.0) / (height / 2.0));
}

Rgba_t SplashShader(double x, double y, int, int height) {
    const double t = y / height;
    Rgba_t background{0.90 - 0.25 * t, 0.93 - 0.20 * t, 0.98 - 0.10 * t, 1};
    const double radius = height * 0.36;
    const Rgba_t glyph = Glyph((x - height * 0.5) / radius, (y - height * 0.5) / radius);
    Rgba_t out = Over(glyph, background);
    const double cell = height / 37.0;
    if (InTitle(x, y, height * 0.94, height * 0.5 - 3.5 * cell, cell)) {
        out = Over({0.07, 0.15, 0.32, 1}, out);
    }
    return out;
}

std::uint8_t Byte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255));
}

void Put32(std::string& out, std::uint32_t v, bool bigEndian) {
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        out += static_cast<char>((v >> shift) & 0xFF);
    }
}

std::uint32_t Crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, static_cast<std::uint32_t>(data.size()), true);
    const std::string body = std::string(type, 4) + data;
    png += body;
    Put32(png, Crc32(body), true);
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string Zlib(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(~n & 0xFF);
        out += static_cast<char>((~n >> 8) & 0xFF);
        out += raw.substr(pos, n);
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(out, (b << 16) | a, true);
    return out;
}

std::string Png(int width, int height, const std::vector<Rgba_t>& pixels) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    Put32(header, static_cast<std::uint32_t>(width), true);
    Put32(header, static_cast<std::uint32_t>(height), true);
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, no interlace
    Chunk(png, "IHDR", header);
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const Rgba_t& p = pixels[static_cast<std::size_t>(y * width + x)];
            raw += static_cast<char>(Byte(p.r));
            raw += static_cast<char>(Byte(p.g));
            raw += static_cast<char>(Byte(p.b));
            raw += static_cast<char>(Byte(p.a));
        }
    }
    Chunk(png, "IDAT", Zlib(raw));
    Chunk(png, "IEND", "");
    return png;
}

std::string Bmp(int width, int height, const std::vector<Rgba_t>& pixels) {
    const std::uint32_t rowSize = static_cast<std::uint32_t>((width * 3 + 3) & ~3);
    const std::uint32_t dataSize = rowSize * static_cast<std::uint32_t>(height);
    std::string bmp = "BM";
    Put32(bmp, 54 + dataSize, false);
    Put32(bmp, 0, false);
    Put32(bmp, 54, false);
    Put32(bmp, 40, false);
    Put32(bmp, static_cast<std::uint32_t>(width), false);
    Put32(bmp, static_cast<std::uint32_t>(height), false);
    bmp += std::string("\x01\x00\x18\x00", 4);  // one plane, 24 bits
    for (int i = 0; i < 6; ++i) {
        Put32(bmp, i == 1 ? dataSize : (i == 2 || i == 3 ? 2835 : 0), false);
    }
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const Rgba_t& p = pixels[static_cast<std::size_t>(y * width + x)];
            row += static_cast<char>(Byte(p.b));
            row += static_cast<char>(Byte(p.g));
            row += static_cast<char>(Byte(p.r));
        }
        row.resize(rowSize, '\0');
        bmp += row;
    }
    return bmp;
}

bool Save(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quorvel_art <icon.png> <splash.bmp>\n";
        return 2;
    }
    constexpr int kIcon = 64, kSplashWidth = 520, kSplashHeight = 240;
    const bool ok = Save(argv[1], Png(kIcon, kIcon, Render(kIcon, kIcon, IconShader))) &&
                    Save(argv[2], Bmp(kSplashWidth, kSplashHeight,
                                      Render(kSplashWidth, kSplashHeight, SplashShader)));
    if (!ok) {
        std::cerr << "quorvel_art: cannot write the images\n";
        return 1;
    }
    return 0;
}
