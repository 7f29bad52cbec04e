// Bilinear zooms: known answers of both fixed-point formats, the edge columns and bottom rows,
// safety at the source's edges, and SSE2 against the per-pixel model.
#include <lumarix/filters32/zoom.h>

#include "zoom/zoom_p.h"
#include "lumarix/simd_levels.h"
#include "lumarix/zoom/zoom_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <random>

#if defined(__linux__)
#  include <pthread.h>
#endif

using namespace lumarix;
using zoom::BilinearKind;
using zoomtest::make32;
using zoomtest::px;

namespace {

using Zoom = std::function<void(const zoom::ZoomRect&, TBitmap&, TBitmap&, uint32_t)>;

struct Variant {
    const char* name;
    BilinearKind kind;
    Zoom run;
};

#define LUMARIX_ZOOM_CALL(fn, ...) \
    [](const zoom::ZoomRect& r, TBitmap& s, TBitmap& d, [[maybe_unused]] uint32_t a) { \
        fn(r.srcX, r.srcY, r.srcW, r.srcH, r.dstX, r.dstY, r.dstW, r.dstH, s, d __VA_ARGS__); \
    }

const Variant kVariants[] = {
    {"BiLinear32", BilinearKind::plain, LUMARIX_ZOOM_CALL(Stretch_ZoomIn_BiLinear32)},
    {"BiLinearMMX32", BilinearKind::mmx, LUMARIX_ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32)},
    {"BiLinearMMX32_masked", BilinearKind::mmx_masked, LUMARIX_ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32_masked)},
    {"BiLinearMMX32_masked_Alpha", BilinearKind::mmx_masked_alpha,
     LUMARIX_ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32_masked_Alpha, , a)},
    {"BiLinearMMX32_alpha", BilinearKind::mmx_alpha, LUMARIX_ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32_alpha, , a)},
};

const Variant& variant(BilinearKind k) {
    for (const Variant& v : kVariants)
        if (v.kind == k) return v;
    return kVariants[0];
}

uint32_t byte(uint32_t p, int c) { return (p >> (8 * c)) & 255; }

void fill(TBitmap& b, uint32_t v) {
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) px(b, x, y) = v;
}

}  // namespace

TEST(ZoomBilinear, PlainFourByFourExample) {
    auto src = make32(4, 4), dst = make32(4, 4);
    std::mt19937 rng(7);
    zoomtest::fill_random(*src, rng);
    zoom::BilinearSetup b;
    ASSERT_TRUE(zoom::setup_bilinear({0, 0, 2, 2, 0, 0, 4, 4}, *src, *dst, BilinearKind::plain, 0, b));
    EXPECT_EQ(b.stepX, 127u);
    EXPECT_EQ(b.stepY, 127u);
    const int32_t left[] = {0, 0, 0, 1}, fx[] = {0, 127, 254, 125};
    const int32_t upper[] = {0, 0, 0, 1}, fy[] = {1, 128, 255, 126};
    for (int32_t k = 0; k < 4; ++k) {
        EXPECT_EQ(zoom::bilinear_col(b, k).left, left[k]);
        EXPECT_EQ(int32_t(zoom::bilinear_col(b, k).fx), fx[k]);
        EXPECT_EQ(zoom::bilinear_row(b, k).upper, upper[k]);
        EXPECT_EQ(int32_t(zoom::bilinear_row(b, k).fy), fy[k]);
    }
    Stretch_ZoomIn_BiLinear32(0, 0, 2, 2, 0, 0, 4, 4, *src, *dst);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            for (int c = 0; c < 4; ++c) {
                const int32_t l = left[x], u = upper[y], wx = fx[x], wy = fy[y];
                const int64_t sum = byte(px(*src, l, u), c) * (256 - wx) * (256 - wy) +
                                    byte(px(*src, l + 1, u), c) * wx * (256 - wy) +
                                    byte(px(*src, l, u + 1), c) * (256 - wx) * wy +
                                    byte(px(*src, l + 1, u + 1), c) * wx * wy;
                EXPECT_EQ(byte(px(*dst, x, y), c), uint32_t(sum / 65536)) << x << "," << y << " byte " << c;
            }
}

TEST(ZoomBilinear, UniformAreas) {
    auto white = make32(6, 6, 0xFFFFFFFFu);
    auto dst = make32(20, 20);
    // Two truncating stages with weights summing to 255 lose two levels, interior and bottom rows alike.
    variant(BilinearKind::mmx).run({0, 0, 6, 6, 0, 0, 20, 20}, *white, *dst, 0);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(px(*dst, x, y), 0xFDFDFDFDu) << x << "," << y;
    variant(BilinearKind::plain).run({0, 0, 6, 6, 0, 0, 20, 20}, *white, *dst, 0);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(px(*dst, x, y), 0xFFFFFFFFu) << x << "," << y;

    // Fully transparent sources and alpha 0 leave the destination as it was.
    auto clear = make32(6, 6, 0xFF804020u);
    std::mt19937 rng(3);
    zoomtest::fill_random(*dst, rng);
    auto before = zoomtest::copy_of(*dst);
    variant(BilinearKind::mmx_masked).run({0.5, 0.5, 5, 5, 0, 0, 20, 20}, *clear, *dst, 0);
    EXPECT_EQ(zoomtest::first_difference(*dst, *before), "");
    variant(BilinearKind::mmx_masked_alpha).run({0.5, 0.5, 5, 5, 0, 0, 20, 20}, *white, *dst, 0);
    EXPECT_EQ(zoomtest::first_difference(*dst, *before), "");

    // _alpha with alpha 0 writes (255 * d) >> 8 into every byte.
    fill(*dst, 0x00FF00FFu);
    variant(BilinearKind::mmx_alpha).run({0, 0, 6, 6, 2, 2, 10, 10}, *white, *dst, 0);
    EXPECT_EQ(px(*dst, 5, 5), 0x00FE00FEu);
    EXPECT_EQ(px(*dst, 1, 1), 0x00FF00FFu);
    EXPECT_EQ(px(*dst, 12, 12), 0x00FF00FFu);
}

TEST(ZoomBilinear, MmxEdgeColumnsRepeatTheColumnBefore) {
    auto src = make32(8, 4);
    std::mt19937 rng(11);
    zoomtest::fill_random(*src, rng);
    auto dst = make32(10, 8);
    zoom::BilinearSetup b;
    ASSERT_TRUE(zoom::setup_bilinear({0, 0, 4, 2, 0, 0, 10, 8}, *src, *dst, BilinearKind::mmx, 0, b));
    ASSERT_EQ(b.lastX, 7);  // ((4 - 1) * Trunc(10 * 65535 / 4)) >> 16
    Stretch_ZoomIn_BiLinearMMX32(0, 0, 4, 2, 0, 0, 10, 8, *src, *dst);
    for (int32_t y = 0; y < 8; ++y) EXPECT_EQ(px(*dst, 6, y), px(*dst, 7, y)) << y;

    // With no interior column the first edge column does not step before the row.
    ASSERT_TRUE(zoom::setup_bilinear({0, 0, 0.9, 2, 0, 0, 10, 8}, *src, *dst, BilinearKind::mmx, 0, b));
    EXPECT_EQ(b.lastX, 0);
    EXPECT_EQ(zoom::bilinear_col(b, 0).left, 0);
    EXPECT_EQ(zoom::bilinear_col(b, 0).fx, 0u);
    EXPECT_NO_THROW(Stretch_ZoomIn_BiLinearMMX32(0, 0, 0.9, 2, 0, 0, 10, 8, *src, *dst));
}

TEST(ZoomBilinear, MmxBottomRows) {
    auto src = make32(6, 5);
    std::mt19937 rng(5);
    zoomtest::fill_random(*src, rng);
    auto dst = make32(12, 16);
    zoom::BilinearSetup b;
    // Rows 1..4 reach the bottom: lastY = (3 * Trunc(16 * 65535 / 4)) / 65535 = 12.
    ASSERT_TRUE(zoom::setup_bilinear({0, 1, 3, 4, 0, 0, 12, 16}, *src, *dst, BilinearKind::mmx, 0, b));
    ASSERT_EQ(b.lastY, 12);
    Stretch_ZoomIn_BiLinearMMX32(0, 1, 3, 4, 0, 0, 12, 16, *src, *dst);
    for (int32_t x = 0; x < 12; ++x) {
        const zoom::ColSample cs = zoom::bilinear_col(b, x);
        uint32_t expected = 0;
        for (int c = 0; c < 4; ++c) {
            const uint32_t h = (byte(px(*src, cs.left, 4), c) * (255 - cs.fx) + byte(px(*src, cs.right, 4), c) * cs.fx) >> 8;
            expected |= ((h * 255) >> 8) << (8 * c);
        }
        for (int32_t y = 12; y < 16; ++y) EXPECT_EQ(px(*dst, x, y), expected) << x << "," << y;
    }

    // Ending above the bottom: no bottom rows, the row below the rectangle is mixed into the last rows.
    ASSERT_TRUE(zoom::setup_bilinear({0, 0, 3, 3, 0, 0, 12, 16}, *src, *dst, BilinearKind::mmx, 0, b));
    EXPECT_EQ(b.lastY, 16);
    Stretch_ZoomIn_BiLinearMMX32(0, 0, 3, 3, 0, 0, 12, 16, *src, *dst);
    auto first = zoomtest::copy_of(*dst);
    for (int32_t x = 0; x < 6; ++x) px(*src, x, 3) ^= 0x80808080u;
    Stretch_ZoomIn_BiLinearMMX32(0, 0, 3, 3, 0, 0, 12, 16, *src, *dst);
    EXPECT_NE(px(*dst, 5, 15), px(*first, 5, 15));
    EXPECT_EQ(px(*dst, 5, 0), px(*first, 5, 0));
}

TEST(ZoomBilinear, MaskedBottomRowWeight) {
    auto src = make32(1, 600), dst = make32(4, 8);
    zoom::BilinearSetup b;
    const std::pair<int, uint32_t> cases[] = {{2, 127}, {100, 127}, {513, 127}, {514, 126}};
    for (auto [n, fy] : cases) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(zoom::setup_bilinear({0, double(600 - n), 1, double(n), 0, 0, 4, 8}, *src, *dst,
                                         BilinearKind::mmx_masked, 0, b));
        EXPECT_EQ(b.bottomFy, fy);
        EXPECT_EQ(b.bottomUpper, 598);
        EXPECT_EQ(b.bottomLower, 599);
    }
    // A single row at the top of a one-row bitmap: the row above does not exist, row 0 serves.
    auto one = make32(3, 1, 0x00336699u);
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.name);
        EXPECT_NO_THROW(v.run({0, 0, 3, 1, 0, 0, 4, 8}, *one, *dst, 256));
    }
}

TEST(ZoomBilinear, RectanglesPastTheSourceDrawWithoutRaising) {
    auto src = make32(5, 4);
    std::mt19937 rng(9);
    zoomtest::fill_random(*src, rng);
    const zoom::ZoomRect rects[] = {
        {0, 0, 5, 4, 0, 0, 20, 16},        // the whole bitmap: the plain zoom's last lower row
        {2.5, 1.5, 8, 8, -3, -2, 30, 30},  // past the right and bottom edges
        {0.5, 0.25, 4.5, 3.75, 0, 0, 9, 7},  // ends within the last row without bottom rows
        {5, 4, 2, 2, 0, 0, 6, 6},          // starts on the right and bottom edges
    };
    for (const Variant& v : kVariants)
        for (const zoom::ZoomRect& r : rects) {
            SCOPED_TRACE(testing::Message() << v.name << " srcX " << r.srcX);
            auto dst = make32(24, 24);
            EXPECT_NO_THROW(v.run(r, *src, *dst, 200));
        }
}

/// The differential tests run at every level of the table.
class ZoomBilinearAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(ZoomBilinearAt);

// The public routines at each level against the per-pixel model on random rectangles:
// scales 1/8 to 16, long rows reduced about 2 times, fractional starts and sizes, rectangles
// partly outside the destination, past the source's edges, destinations wider than one strip,
// sources one pixel wide or high.
TEST_P(ZoomBilinearAt, MatchesModelOnRandomRectangles) {
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
            if (seed % 7 == 0) r.srcX = std::floor(r.srcX), r.srcW = std::ceil(r.srcW);
            r.dstW = std::max(1, int32_t(r.srcW * scaleX));
            r.dstH = std::max(1, int32_t(r.srcH * scaleY));
            r.dstX = uni(-0.5 * r.dstW, longRows ? 0.1 * dw : dw);
            r.dstY = uni(-0.5 * r.dstH, dh);
            const uint32_t alpha = rng() % 260;

            auto expected = zoomtest::copy_of(*dst);
            zoom::BilinearSetup b;
            if (zoom::setup_bilinear(r, *src, *expected, v.kind, alpha, b)) zoom::bilinear_model(b, *src, *expected);
            v.run(r, *src, *dst, alpha);
            ASSERT_EQ(zoomtest::first_difference(*dst, *expected), "");
        }
    }
}

// One bitmap as source and destination, the rectangles overlapping in every way: every level
// gives the model's bytes, each pixel read as the zoom's earlier writes left it.
TEST_P(ZoomBilinearAt, InPlaceFollowsTheModelsOrderOfReadsAndWrites) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(testing::Message() << level() << " " << v.name);
        zoomtest::expect_in_place_like_model(
            [&](const zoom::ZoomRect& r, TBitmap& b, uint32_t a) { v.run(r, b, b, a); },
            [&](const zoom::ZoomRect& r, TBitmap& b, uint32_t a) {
                zoom::BilinearSetup s;
                if (zoom::setup_bilinear(r, b, b, v.kind, a, s)) zoom::bilinear_model(s, b, b);
            });
    }
}

#if defined(__linux__)
// The scratch stays off the stack: a destination wider than one strip, drawn on a thread with a
// 64 KiB stack (less than musl's default), gets the bytes drawn on the main thread.
TEST(ZoomBilinear, DrawsOnASmallThreadStack) {
    std::mt19937 rng(5);
    static std::unique_ptr<TBitmap> src = make32(300, 40), dst[2] = {make32(2100, 30), nullptr};
    zoomtest::fill_random(*src, rng);
    zoomtest::fill_random(*dst[0], rng);
    dst[1] = zoomtest::copy_of(*dst[0]);
    const auto draw = [](void* d) -> void* {
        for (const Variant& v : kVariants) v.run({0.5, 0.5, 290, 30, 0, 0, 2100, 30}, *src, *static_cast<TBitmap*>(d), 99);
        return nullptr;
    };
    draw(dst[0].get());
    pthread_attr_t attr;
    pthread_t thread;
    pthread_attr_init(&attr);
    // 64 KiB, or the least the C library allows (128 KiB on AArch64).
    ASSERT_EQ(pthread_attr_setstacksize(&attr, std::max<size_t>(64 * 1024, PTHREAD_STACK_MIN)), 0);
    ASSERT_EQ(pthread_create(&thread, &attr, draw, dst[1].get()), 0);
    pthread_join(thread, nullptr);
    EXPECT_EQ(zoomtest::first_difference(*dst[1], *dst[0]), "");
}
#endif
