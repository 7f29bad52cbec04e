// Nearest-neighbour zooms: known answers, safety at the source's edges, SSE2 against the model.
#include <lumarix/filters32/zoom.h>

#include "zoom/zoom_p.h"
#include "lumarix/simd_levels.h"
#include "lumarix/zoom/zoom_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using namespace lumarix;
using zoomtest::make32;
using zoomtest::px;

namespace {

// A source whose pixel (x, y) names its column in byte 0 and its row in byte 1, and in the
// fourth byte, which every rule stores unchanged, its column (or its row).
std::unique_ptr<TBitmap> numbered(int32_t w, int32_t h, bool rowInFourth = false) {
    auto b = make32(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            px(*b, x, y) = uint32_t(x) | uint32_t(y) << 8 | uint32_t(rowInFourth ? y : x) << 24;
    return b;
}

uint32_t fourth(uint32_t p) { return p >> 24; }

using Zoom = std::function<void(const zoom::ZoomRect&, TBitmap&, TBitmap&, uint32_t)>;

struct Variant {
    const char* name;
    zoom::SaikinRule rule;
    Zoom run;
};

const Variant kVariants[] = {
    {"Saikin32", zoom::SaikinRule::copy,
     [](const zoom::ZoomRect& r, TBitmap& s, TBitmap& d, uint32_t) {
         Stretch_ZoomIn_Saikin32(r.srcX, r.srcY, r.srcW, r.srcH, r.dstX, r.dstY, r.dstW, r.dstH, s, d);
     }},
    {"Saikin32_masked", zoom::SaikinRule::masked,
     [](const zoom::ZoomRect& r, TBitmap& s, TBitmap& d, uint32_t) {
         Stretch_ZoomIn_Saikin32_masked(r.srcX, r.srcY, r.srcW, r.srcH, r.dstX, r.dstY, r.dstW, r.dstH, s, d);
     }},
    {"Saikin32_masked_Alpha", zoom::SaikinRule::masked_alpha,
     [](const zoom::ZoomRect& r, TBitmap& s, TBitmap& d, uint32_t a) {
         Stretch_ZoomIn_Saikin32_masked_Alpha(r.srcX, r.srcY, r.srcW, r.srcH, r.dstX, r.dstY, r.dstW, r.dstH, s, d,
                                              a);
     }},
    {"Saikin32_Alpha", zoom::SaikinRule::alpha,
     [](const zoom::ZoomRect& r, TBitmap& s, TBitmap& d, uint32_t a) {
         Stretch_ZoomIn_Saikin32_Alpha(r.srcX, r.srcY, r.srcW, r.srcH, r.dstX, r.dstY, r.dstW, r.dstH, s, d,
                                       uint16_t(a));
     }},
};

}  // namespace

TEST(ZoomNearest, OneToOneSamplesColumnsAndRowsOneBehind) {
    auto src = numbered(8, 8);
    auto dst = make32(8, 8);
    Stretch_ZoomIn_Saikin32(0, 0, 8, 8, 0, 0, 8, 8, *src, *dst);
    const uint32_t cols[] = {0, 0, 1, 2, 3, 4, 5, 6};
    const uint32_t rows[] = {0, 1, 1, 2, 3, 4, 5, 6};
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(px(*dst, x, y), px(*src, cols[x], rows[y])) << x << "," << y;

    // An integral srcX of 1 starts at column 0 (the multiplier is 65535); masked starts at 1.
    Stretch_ZoomIn_Saikin32(1.0, 0, 4, 8, 0, 0, 4, 8, *src, *dst);
    EXPECT_EQ(fourth(px(*dst, 0, 0)), 0u);
    Stretch_ZoomIn_Saikin32_masked(1.0, 0, 4, 8, 0, 0, 4, 8, *src, *dst);
    EXPECT_EQ(fourth(px(*dst, 0, 0)), 1u);
}

TEST(ZoomNearest, MaskedEnlargementAbove255RepeatsTheFirstColumn) {
    auto src = numbered(8, 2);
    auto dst = make32(400, 1);
    Stretch_ZoomIn_Saikin32_masked(2, 0, 1, 1, 0, 0, 300, 1, *src, *dst);  // step Trunc(255 / 300) = 0
    for (int32_t x = 0; x < 300; ++x) ASSERT_EQ(fourth(px(*dst, x, 0)), 2u) << x;
    EXPECT_EQ(px(*dst, 300, 0), 0u);
}

TEST(ZoomNearest, PixelRules) {
    auto src = make32(4, 4), dst = make32(4, 4);
    auto reset = [&](uint32_t s, uint32_t d) {
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 4; ++x) px(*src, x, y) = s, px(*dst, x, y) = d;
    };
    // masked: transparency 255 keeps the colours and writes 255; an opaque 255 over 0 gives 254.
    reset(0xFF102030u, 0x00A0B0C0u);
    Stretch_ZoomIn_Saikin32_masked(0, 0, 4, 4, 0, 0, 4, 4, *src, *dst);
    EXPECT_EQ(px(*dst, 2, 2), 0xFFA0B0C0u);
    reset(0x00FFFFFFu, 0x11000000u);
    Stretch_ZoomIn_Saikin32_masked(0, 0, 4, 4, 0, 0, 4, 4, *src, *dst);
    EXPECT_EQ(px(*dst, 2, 2), 0x00FEFEFEu);
    // masked_Alpha: alpha 256 over an opaque source copies; alpha 0 keeps the colours.
    reset(0x00123456u, 0x99ABCDEFu);
    Stretch_ZoomIn_Saikin32_masked_Alpha(0, 0, 4, 4, 0, 0, 4, 4, *src, *dst, 256);
    EXPECT_EQ(px(*dst, 1, 1), 0x00123456u);
    reset(0x40123456u, 0x99ABCDEFu);
    Stretch_ZoomIn_Saikin32_masked_Alpha(0, 0, 4, 4, 0, 0, 4, 4, *src, *dst, 0);
    EXPECT_EQ(px(*dst, 1, 1), 0x40ABCDEFu);
    // Alpha: 256 copies, 128 is the floor of the mean, the fourth byte is the source's.
    reset(0x7F10FF01u, 0x0030FE02u);
    Stretch_ZoomIn_Saikin32_Alpha(0, 0, 4, 4, 0, 0, 4, 4, *src, *dst, 256);
    EXPECT_EQ(px(*dst, 3, 3), 0x7F10FF01u);
    reset(0x7F10FF01u, 0x0030FE02u);
    Stretch_ZoomIn_Saikin32_Alpha(0, 0, 4, 4, 0, 0, 4, 4, *src, *dst, 128);
    EXPECT_EQ(px(*dst, 3, 3), 0x7F20FE01u);
    // Alpha above the scale counts as 256.
    reset(0x7F10FF01u, 0x0030FE02u);
    Stretch_ZoomIn_Saikin32_Alpha(0, 0, 4, 4, 0, 0, 4, 4, *src, *dst, 1000);
    EXPECT_EQ(px(*dst, 3, 3), 0x7F10FF01u);
}

TEST(ZoomNearest, SamplesPastTheSourceEdgesTakeItsLastColumnAndRow) {
    auto cols = numbered(10, 6), rows = numbered(10, 6, true);
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.name);
        auto dst = make32(40, 40);
        // Twice as large as the source bitmap, starting in its middle.
        EXPECT_NO_THROW(v.run({5.5, 3.5, 20, 12, 0, 0, 40, 24}, *cols, *dst, 256));
        EXPECT_EQ(fourth(px(*dst, 39, 23)), 9u);
        EXPECT_NO_THROW(v.run({5.5, 3.5, 20, 12, 0, 0, 40, 24}, *rows, *dst, 256));
        EXPECT_EQ(fourth(px(*dst, 39, 23)), 5u);
        // A source start exactly on the right and bottom edges.
        EXPECT_NO_THROW(v.run({10, 6, 3, 3, 0, 30, 5, 5}, *cols, *dst, 256));
        EXPECT_EQ(fourth(px(*dst, 4, 34)), 9u);
        EXPECT_NO_THROW(v.run({10, 6, 3, 3, 0, 30, 5, 5}, *rows, *dst, 256));
        EXPECT_EQ(fourth(px(*dst, 4, 34)), 5u);
        // Nothing drawn and nothing raised for an empty destination size.
        auto untouched = zoomtest::copy_of(*dst);
        EXPECT_NO_THROW(v.run({0, 0, 4, 4, 0, 0, 0, 4}, *cols, *dst, 256));
        EXPECT_NO_THROW(v.run({0, 0, 4, 4, 0, 0, 4, 0}, *cols, *dst, 256));
        EXPECT_EQ(zoomtest::first_difference(*dst, *untouched), "");
    }
}

/// The differential tests run at every level of the table.
class ZoomNearestAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(ZoomNearestAt);

// The public routines at each level against the per-pixel model on random rectangles:
// scales 1/8 to 16, long rows reduced about 2 times, fractional starts and sizes, rectangles
// partly outside the destination and past the source's edges, sources one pixel wide or high.
TEST_P(ZoomNearestAt, MatchesModelOnRandomRectangles) {
    for (const Variant& v : kVariants) {
        for (uint32_t seed = 1; seed <= 1500; ++seed) {
            SCOPED_TRACE(testing::Message() << level() << " " << v.name << " seed " << seed);
            std::mt19937 rng(seed);
            auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
            const bool longRows = seed % 20 == 3;  // long rows, reduced about as 4096 to 1920 or wider than a strip
            const int32_t sw = longRows ? 700 + int32_t(rng() % 200) : 1 + int32_t(rng() % 70);
            const int32_t sh = 1 + int32_t(rng() % 40);
            const int32_t dw = longRows ? 2600 : 1 + int32_t(rng() % (seed % 10 == 0 ? 1200 : 90));
            const int32_t dh = 1 + int32_t(rng() % 60);
            auto src = make32(sw, sh), dst = make32(dw, dh);
            zoomtest::fill_random(*src, rng);
            zoomtest::fill_random(*dst, rng);
            const double scaleX = longRows ? uni(0.3, 3.0) : std::exp2(uni(-3, 4));
            const double scaleY = longRows ? uni(0.1, 0.6) : std::exp2(uni(-3, 4));
            zoom::ZoomRect r;
            r.srcX = uni(0, sw);
            r.srcY = uni(0, sh);
            r.srcW = uni(0.3, 1.3 * sw);
            r.srcH = uni(0.3, 1.3 * sh);
            r.dstW = std::max(1, int32_t(r.srcW * scaleX));
            r.dstH = std::max(1, int32_t(r.srcH * scaleY));
            r.dstX = uni(-0.5 * r.dstW, longRows ? 0.1 * dw : dw);
            r.dstY = uni(-0.5 * r.dstH, dh);
            const uint32_t alpha = rng() % 260;

            auto expected = zoomtest::copy_of(*dst);
            zoom::SaikinSetup s;
            if (zoom::setup_saikin(r, *src, *expected, v.rule, alpha, s)) zoom::saikin_model(s, *src, *expected);
            v.run(r, *src, *dst, alpha);
            ASSERT_EQ(zoomtest::first_difference(*dst, *expected), "");
        }
    }
}

// One bitmap as source and destination, the rectangles overlapping in every way: every level
// gives the model's bytes, each pixel read as the zoom's earlier writes left it.
TEST_P(ZoomNearestAt, InPlaceFollowsTheModelsOrderOfReadsAndWrites) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(testing::Message() << level() << " " << v.name);
        zoomtest::expect_in_place_like_model(
            [&](const zoom::ZoomRect& r, TBitmap& b, uint32_t a) { v.run(r, b, b, a); },
            [&](const zoom::ZoomRect& r, TBitmap& b, uint32_t a) {
                zoom::SaikinSetup s;
                if (zoom::setup_saikin(r, b, b, v.rule, a, s)) zoom::saikin_model(s, b, b);
            });
    }
}
