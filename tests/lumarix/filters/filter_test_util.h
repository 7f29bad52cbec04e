// Shared helpers of the filter tests: 32-bit bitmaps filled from a seeded generator, pictures
// copied in and out, and a compact pixel-word view of a whole bitmap.
#pragma once

#include <lumarix/Graphics.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace filters_test {

/// A picture as pixel words (blue in bits 0 to 7), row after row.
struct Pic {
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t& at(int32_t x, int32_t y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
    uint32_t at(int32_t x, int32_t y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
    bool operator==(const Pic&) const = default;
};

inline Pic read_pic(lumarix::TBitmap& b) {
    Pic p{b.Width(), b.Height(), std::vector<uint32_t>(size_t(b.Width()) * size_t(b.Height()))};
    if (p.w == 0) return p;
    for (int32_t y = 0; y < p.h; ++y) std::memcpy(&p.at(0, y), b.ScanLine(y), size_t(p.w) * 4);
    return p;
}

inline void write_pic(lumarix::TBitmap& b, const Pic& p) {
    b.SetPixelFormat(lumarix::TPixelFormat::pf32bit);
    b.SetSize(p.w, p.h);
    if (p.w == 0) return;
    for (int32_t y = 0; y < p.h; ++y) std::memcpy(b.ScanLine(y), p.px.data() + size_t(y) * size_t(p.w), size_t(p.w) * 4);
}

/// Random pixel words whose bytes lean towards 0x00 and 0xFF, where clamping and folding
/// rules have their edges.
inline Pic random_pic(int32_t w, int32_t h, std::mt19937& rng) {
    Pic p{w, h, std::vector<uint32_t>(size_t(w) * size_t(h))};
    std::uniform_int_distribution<int> kind(0, 7), byte(0, 255);
    for (auto& v : p.px) {
        v = 0;
        for (int k = 0; k < 4; ++k) {
            const int c = kind(rng);
            const uint32_t b = c == 0 ? 0 : c == 1 ? 255 : c == 2 ? uint32_t(byte(rng) & 3) : uint32_t(byte(rng));
            v |= b << (8 * k);
        }
    }
    return p;
}

inline std::string first_difference(const Pic& want, const Pic& got) {
    if (want.w != got.w || want.h != got.h)
        return "size " + std::to_string(got.w) + "x" + std::to_string(got.h) + " instead of " +
               std::to_string(want.w) + "x" + std::to_string(want.h);
    for (int32_t y = 0; y < want.h; ++y)
        for (int32_t x = 0; x < want.w; ++x)
            if (want.at(x, y) != got.at(x, y)) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "pixel (%d, %d): got %08X, want %08X", x, y, got.at(x, y), want.at(x, y));
                return buf;
            }
    return {};
}

inline uint32_t byte_of(uint32_t p, int k) { return (p >> (8 * k)) & 255; }

}  // namespace filters_test
