// Bitmaps and comparisons shared by the zoom tests.
#pragma once

#include <lumarix/Graphics.h>

#include "zoom/zoom_p.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace zoomtest {

inline std::unique_ptr<lumarix::TBitmap> make32(int32_t w, int32_t h, uint32_t fill = 0) {
    auto b = std::make_unique<lumarix::TBitmap>();
    b->SetPixelFormat(lumarix::TPixelFormat::pf32bit);
    b->SetSize(w, h);
    for (int32_t y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(b->ScanLine(y));
        for (int32_t x = 0; x < w; ++x) row[x] = fill;
    }
    return b;
}

/// Random bytes, biased towards 0x00 and 0xFF where the blends have their corner cases.
inline void fill_random(lumarix::TBitmap& b, std::mt19937& rng) {
    for (int32_t y = 0; y < b.Height(); ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int32_t i = 0; i < b.Width() * 4; ++i) {
            const uint32_t r = rng();
            row[i] = (r & 7) == 0 ? 0 : (r & 7) == 1 ? 255 : uint8_t(r >> 8);
        }
    }
}

inline uint32_t& px(lumarix::TBitmap& b, int32_t x, int32_t y) {
    return reinterpret_cast<uint32_t*>(b.ScanLine(y))[x];
}

inline std::unique_ptr<lumarix::TBitmap> copy_of(const lumarix::TBitmap& b) {
    auto c = make32(b.Width(), b.Height());
    for (int32_t y = 0; y < b.Height(); ++y) std::memcpy(c->ScanLine(y), b.ScanLine(y), size_t(b.Width()) * 4);
    return c;
}

/// Empty when equal, else the first differing pixel with both values.
inline std::string first_difference(lumarix::TBitmap& a, lumarix::TBitmap& b) {
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (px(a, x, y) != px(b, x, y)) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "pixel (%d, %d): %08x vs %08x", x, y, px(a, x, y), px(b, x, y));
                return buf;
            }
    return {};
}

/// One bitmap zoomed onto itself, its rectangles overlapping in every way: `run(r, b, alpha)`
/// must give the bytes of `model(r, b, alpha)` on a copy.
template <class Run, class Model>
void expect_in_place_like_model(Run run, Model model) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
        const int32_t w = 1 + int32_t(rng() % 80), h = 1 + int32_t(rng() % 40);
        auto got = make32(w, h);
        fill_random(*got, rng);
        const lumarix::zoom::ZoomRect r{uni(0, w),         uni(0, h),         uni(0.5, w),
                                        uni(0.5, h),       uni(-0.3 * w, w),  uni(-0.3 * h, h),
                                        1 + int32_t(rng() % uint32_t(2 * w)), 1 + int32_t(rng() % uint32_t(2 * h))};
        const uint32_t alpha = rng() % 260;
        auto want = copy_of(*got);
        model(r, *want, alpha);
        run(r, *got, alpha);
        ASSERT_EQ(first_difference(*got, *want), "");
    }
}

}  // namespace zoomtest
