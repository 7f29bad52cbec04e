// Helpers of the blit tests: bitmaps with set pixels, random pictures biased toward 0 and 255,
// and whole-picture snapshots.
#pragma once

#include <lumarix/Lumarix.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace blit_test {

using lumarix::TBitmap;
using lumarix::TLumarix;

/// Pointer to the 4 bytes of pixel (x, y) of a 32-bit bitmap.
inline uint8_t* px(TBitmap& b, int x, int y) { return b.ScanLine(y) + 4 * x; }

inline void set_px(TBitmap& b, int x, int y, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    uint8_t* p = px(b, x, y);
    p[0] = b0, p[1] = b1, p[2] = b2, p[3] = b3;
}

inline std::vector<uint8_t> bytes_of(TBitmap& b, int x, int y) {
    const uint8_t* p = px(b, x, y);
    return {p[0], p[1], p[2], p[3]};
}

/// Every pixel set to the same four bytes.
inline void fill(TBitmap& b, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) set_px(b, x, y, b0, b1, b2, b3);
}

/// A byte that is 0 or 255 half of the time, else uniform.
inline uint8_t biased_byte(std::mt19937& rng) {
    const uint32_t r = rng();
    switch (r & 3) {
        case 0: return 0;
        case 1: return 255;
        default: return uint8_t(r >> 8);
    }
}

inline void fill_random(uint8_t* p, size_t n, std::mt19937& rng) {
    for (size_t i = 0; i < n; ++i) p[i] = biased_byte(rng);
}

inline void fill_random(TBitmap& b, std::mt19937& rng) {
    for (int y = 0; y < b.Height(); ++y) fill_random(b.ScanLine(y), size_t(b.RowStride()), rng);
}

/// All rows of the bitmap, padding included.
inline std::vector<uint8_t> snapshot(TBitmap& b) {
    std::vector<uint8_t> out;
    for (int y = 0; y < b.Height(); ++y) out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + b.RowStride());
    return out;
}

inline void restore(TBitmap& b, const std::vector<uint8_t>& bytes) {
    size_t at = 0;
    for (int y = 0; y < b.Height(); ++y, at += size_t(b.RowStride()))
        std::memcpy(b.ScanLine(y), bytes.data() + at, size_t(b.RowStride()));
}

}  // namespace blit_test
