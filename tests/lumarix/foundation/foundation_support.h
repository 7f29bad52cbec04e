// Helpers shared by the foundation tests: test data paths, the known pictures of the BMP corpus
// (the same formulas as tests/data/bmp/make_corpus.py) and bitmap snapshots.
#pragma once

#include <lumarix/Graphics.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace foundation {

inline std::string BmpPath(const std::string& folder, const std::string& name) {
    return std::string(MARBLE_TEST_DATA_DIR) + "/bmp/" + folder + "/" + name;
}

// ---- The corpus pictures (y = 0 is the top row) -------------------------------------------------
inline constexpr int kW = 13, kH = 5;

struct Rgb {
    int r, g, b;
};

inline Rgb PictureRgb(int x, int y) { return {(x * 20 + y * 3) % 256, (y * 50 + x) % 256, (x * y * 9 + 40) % 256}; }
inline int PictureAlpha(int x, int y) { return (x + y * kW) * 3 % 256; }
inline int Index1(int x, int y) { return ((x + y) & 1) ^ (x % 3 == 0 ? 1 : 0); }
inline int Index4(int x, int y) { return (x * 3 + y) % 16; }
inline int Index8(int x, int y) { return (x + y * kW) * 7 % 256; }
inline Rgb Palette1(int i) { return i == 0 ? Rgb{10, 20, 30} : Rgb{200, 210, 220}; }
inline Rgb Palette4(int i) { return {i * 16, i * 8, 255 - i * 16}; }
inline Rgb Palette8(int i) { return {i, 255 - i, i * 3 % 256}; }

// ---- Snapshots ----------------------------------------------------------------------------------
/// Everything observable about a bitmap: size, format, palette and the pixel bytes of each row
/// (padding excluded).
struct Snapshot {
    int32_t width = 0, height = 0;
    lumarix::TPixelFormat format{};
    lumarix::TPalette palette{};
    std::vector<uint8_t> pixels;
    bool operator==(const Snapshot&) const = default;
};

inline Snapshot Snap(const lumarix::TBitmap& b) {
    Snapshot s{b.Width(), b.Height(), b.PixelFormat(), b.Palette(), {}};
    const size_t row = size_t(b.Width()) * size_t(lumarix::TBitmap::BitsPerPixel(b.PixelFormat()) / 8);
    for (int32_t y = 0; y < b.Height(); ++y) {
        const uint8_t* p = b.ScanLine(y);
        s.pixels.insert(s.pixels.end(), p, p + row);
    }
    return s;
}

/// 32-bit pixel (x, y) as 0xAARRGGBB of its bytes blue, green, red, fourth.
inline uint32_t Pixel32(const lumarix::TBitmap& b, int x, int y) {
    uint32_t v;
    std::memcpy(&v, b.ScanLine(y) + 4 * x, 4);
    return v;
}

}  // namespace foundation
