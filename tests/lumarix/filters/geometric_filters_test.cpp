// Geometric filters: hand-worked answers, then mosaic, rotation and the blur against plain
// models (the blur against its from-scratch window), the flips and input outside the contract.
#include <lumarix/Lumarixfilters32.h>

#include "filters/filter_common.h"
#include "lumarix/simd_levels.h"
#include "filters/geometric_kernels.h"
#include "lumarix/filters/filter_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace {

using namespace lumarix;
using filters_test::byte_of;
using filters_test::first_difference;
using filters_test::Pic;
using filters_test::random_pic;
using filters_test::read_pic;
using filters_test::write_pic;

Pic apply(const Pic& in, const std::function<void(TBitmap&)>& filter) {
    TBitmap b;
    write_pic(b, in);
    filter(b);
    return read_pic(b);
}

Pic counting(int32_t w, int32_t h) {
    Pic p{w, h, std::vector<uint32_t>(size_t(w) * size_t(h))};
    for (size_t i = 0; i < p.px.size(); ++i) p.px[i] = uint32_t(i + 1) * 0x01010101u;
    return p;
}

// ==== Plain models ==============================================================================

Pic model_mosaic(Pic p, int64_t x, int64_t y, int64_t w, int64_t h, int32_t bw, int32_t bh) {
    if (bw < 1 || bh < 1) return p;
    const int32_t x0 = int32_t(std::clamp<int64_t>(x, 0, p.w)), x1 = int32_t(std::clamp<int64_t>(x + w, 0, p.w));
    const int32_t y0 = int32_t(std::clamp<int64_t>(y, 0, p.h)), y1 = int32_t(std::clamp<int64_t>(y + h, 0, p.h));
    std::vector<int32_t> start;
    for (int32_t i = 0; i < x1 - x0; ++i) start.push_back(i / bw * bw);
    for (int32_t r = y0; r < y1; ++r) {
        const int32_t srcRow = y0 + (r - y0) / bh * bh;
        for (int32_t c = x0; c < x1; ++c) p.at(c, r) = p.at(x0 + start[size_t(c - x0)], srcRow);
    }
    return p;
}

void model_rotate(const Pic& src, Pic& dst, int32_t dstX, int32_t dstY, int32_t width, int32_t height,
                  int32_t panX, int32_t panY, int32_t angle) {
    const long double theta = (360.0L - angle) * 3.141592653589793238462643383279502884L / 180.0L;
    const int64_t cosK = int64_t(std::trunc(1024.0L * std::cos(theta))), sinK = int64_t(std::trunc(1024.0L * std::sin(theta)));
    const int64_t hw = width / 2, hh = height / 2;
    for (int64_t j = 0; j < height; ++j)
        for (int64_t i = 0; i < width; ++i) {
            const int64_t dx = dstX + i, dy = dstY + j;
            if (dx < 0 || dy < 0 || dx >= dst.w || dy >= dst.h) continue;
            const int64_t u = i + panX - hw, v = j + panY - hh;
            const int64_t sx = (u * cosK - v * sinK + hw * 1024) >> 10, sy = (u * sinK + v * cosK + hh * 1024) >> 10;
            if (sx >= 0 && sy >= 0 && sx < std::min(width, src.w) && sy < std::min(height, src.h))
                dst.at(int32_t(dx), int32_t(dy)) = src.at(int32_t(sx), int32_t(sy));
        }
}

Pic model_blur(Pic p, int32_t R) {
    if (R <= 0) return p;
    for (int32_t y = 0; y < p.h; ++y)
        for (int32_t x = 0; x < p.w; ++x) {
            uint64_t sum[4] = {}, n = 0;
            for (int32_t yy = std::max(y - R, 0); yy <= std::min(y + R, p.h - 1); ++yy)
                for (int32_t xx = std::max(x - R, 0); xx <= std::min(x + R, p.w - 1); ++xx, ++n)
                    for (int k = 0; k < 4; ++k) sum[k] += byte_of(p.at(xx, yy), k);
            uint32_t v = 0;
            for (int k = 0; k < 4; ++k) v |= uint32_t(sum[k] / n) << (8 * k);
            p.at(x, y) = v;
        }
    return p;
}

// ==== Mosaic ====================================================================================

TEST(GeometricFilters, MosaicKnownAnswers) {
    const Pic row{4, 1, {1, 2, 3, 4}};
    EXPECT_EQ(apply(row, [](TBitmap& b) { Mosaic32(0, 0, 4, 1, 3, 1, b); }), (Pic{4, 1, {1, 1, 1, 4}}));
    EXPECT_EQ(apply(row, [](TBitmap& b) { Mosaic32(1, 0, 3, 1, 2, 1, b); }), (Pic{4, 1, {1, 2, 2, 4}}));
    const Pic grid = counting(3, 3);
    std::vector<uint32_t> want;
    for (uint32_t v : {1, 1, 3, 1, 1, 3, 7, 7, 9}) want.push_back(v * 0x01010101u);
    EXPECT_EQ(apply(grid, [](TBitmap& b) { Mosaic32(0, 0, 3, 3, 2, 2, b); }).px, want);
}

TEST(GeometricFilters, MosaicMatchesPlainModel) {
    for (int seed = 0; seed < 2000; ++seed) {
        std::mt19937 rng(seed);
        const int32_t w = int32_t(rng() % 40), h = int32_t(rng() % 12);
        const Pic pic = random_pic(w, h, rng);
        const int32_t x = int32_t(rng() % 50) - 6, y = int32_t(rng() % 16) - 3, rw = int32_t(rng() % 50) - 2,
                      rh = int32_t(rng() % 16) - 2, bw = int32_t(rng() % 9) - 1, bh = int32_t(rng() % 7) - 1;
        SCOPED_TRACE(testing::Message() << "seed " << seed << " size " << w << "x" << h << " rect " << x << "," << y
                                        << "," << rw << "," << rh << " block " << bw << "x" << bh);
        const Pic want = model_mosaic(pic, x, y, rw, rh, bw, bh);
        const Pic got = apply(pic, [&](TBitmap& b) { Mosaic32(x, y, rw, rh, bw, bh, b); });
        ASSERT_EQ(got, want) << first_difference(want, got);
    }
    const Pic pic = counting(6, 5);
    EXPECT_EQ(apply(pic, [](TBitmap& b) { Mosaic32(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX, b); }),
              model_mosaic(pic, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
}

// ==== Rotation ==================================================================================

TEST(GeometricFilters, RotationKnownAnswers) {
    EXPECT_EQ(filters::rotation_coefficients(0).cosK, 1024);
    EXPECT_EQ(filters::rotation_coefficients(90).cosK, 0);
    EXPECT_EQ(filters::rotation_coefficients(90).sinK, -1024);
    EXPECT_EQ(filters::rotation_coefficients(180).cosK, -1024);
    EXPECT_EQ(filters::rotation_coefficients(180).sinK, 0);
    EXPECT_EQ(filters::rotation_coefficients(30).cosK, 886);

    const Pic src = counting(4, 4);
    const Pic blank{4, 4, std::vector<uint32_t>(16, 0xEEEEEEEE)};
    for (int32_t angle : {0, 360, -360, 720}) {
        TBitmap s, d;
        write_pic(s, src);
        write_pic(d, blank);
        Rotate32A(s, d, angle);
        EXPECT_EQ(read_pic(d), src) << angle;
    }
    const auto rotated = [&](int32_t angle, int32_t panX) {
        TBitmap s, d;
        write_pic(s, src);
        write_pic(d, blank);
        Rotate32(s, d, 0, 0, 4, 4, panX, 0, angle);
        return read_pic(d);
    };
    const Pic half = rotated(180, 0), quarter = rotated(90, 0), panned = rotated(0, 1);
    for (int32_t j = 0; j < 4; ++j)
        for (int32_t i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << "pixel " << i << "," << j);
            EXPECT_EQ(half.at(i, j), i >= 1 && j >= 1 ? src.at(4 - i, 4 - j) : 0xEEEEEEEE);
            EXPECT_EQ(quarter.at(i, j), i >= 1 ? src.at(j, 4 - i) : 0xEEEEEEEE);
            EXPECT_EQ(panned.at(i, j), i < 3 ? src.at(i + 1, j) : 0xEEEEEEEE);
        }
}

/// Rotation at every level of the kernel tables.
class RotationAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(RotationAt);

TEST_P(RotationAt, MatchesPlainModel) {
    for (int seed = 0; seed < 3000; ++seed) {
        std::mt19937 rng(seed);
        const bool inContract = seed % 2 == 0;
        const int32_t sw = 1 + int32_t(rng() % 30), sh = 1 + int32_t(rng() % 30);
        const int32_t dw = 1 + int32_t(rng() % 30), dh = 1 + int32_t(rng() % 30);
        int32_t width = int32_t(rng() % 34) - 2, height = int32_t(rng() % 34) - 2;
        int32_t dstX = int32_t(rng() % 40) - 8, dstY = int32_t(rng() % 40) - 8;
        if (inContract) {
            width = std::min({std::max(width, 1), sw, dw});
            height = std::min({std::max(height, 1), sh, dh});
            dstX = int32_t(rng() % uint32_t(dw - width + 1));
            dstY = int32_t(rng() % uint32_t(dh - height + 1));
        }
        const int32_t panX = int32_t(rng() % 21) - 10, panY = int32_t(rng() % 21) - 10;
        const int32_t angle = seed % 7 == 0 ? int32_t(rng() % 8) * 45 : int32_t(rng() % 1441) - 720;
        SCOPED_TRACE(testing::Message() << level() << " seed " << seed << " src " << sw << "x" << sh << " dst " << dw << "x" << dh
                                        << " window " << dstX << "," << dstY << " " << width << "x" << height
                                        << " pan " << panX << "," << panY << " angle " << angle);
        const Pic src = random_pic(sw, sh, rng);
        Pic want = random_pic(dw, dh, rng);
        TBitmap s, d;
        write_pic(s, src);
        write_pic(d, want);
        Rotate32(s, d, dstX, dstY, width, height, panX, panY, angle);
        model_rotate(src, want, dstX, dstY, width, height, panX, panY, angle);
        const Pic got = read_pic(d);
        ASSERT_EQ(got, want) << first_difference(want, got);
        ASSERT_EQ(read_pic(s), src);
    }
}

TEST(GeometricFilters, RotationWithExtremeArgumentsStaysInside) {
    std::mt19937 rng(41);
    const Pic src = random_pic(7, 5, rng), dst = random_pic(6, 6, rng);
    const int32_t cases[][7] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 45},
                                {0, 0, INT_MAX, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
                                {5, 5, 100, 100, -3, 7, 33},
                                {-2, -2, 3, 3, INT_MIN, INT_MAX, INT_MAX}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << "," << c[1] << " " << c[2] << "x" << c[3] << " pan " << c[4] << ","
                                        << c[5] << " angle " << c[6]);
        TBitmap s, d;
        write_pic(s, src);
        write_pic(d, dst);
        Rotate32(s, d, c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
        if (int64_t(c[2]) * c[3] < 100000) {
            Pic want = dst;
            model_rotate(src, want, c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
            EXPECT_EQ(read_pic(d), want);
        }
    }
}


/// One bitmap as source and destination: every level walks the window in the model's order,
/// reading each source pixel as the rows written before it left it.
TEST_P(RotationAt, InPlaceFollowsTheOrderOfReadsAndWrites) {
    for (int seed = 0; seed < 400; ++seed) {
        std::mt19937 rng(seed);
        const int32_t w = 1 + int32_t(rng() % 40), h = 1 + int32_t(rng() % 30);
        const int32_t dstX = int32_t(rng() % 9) - 4, dstY = int32_t(rng() % 9) - 4;
        const int32_t panX = int32_t(rng() % 9) - 4, panY = int32_t(rng() % 9) - 4;
        const int32_t angle = seed % 3 == 0 ? int32_t(rng() % 8) * 45 - 180 : int32_t(rng() % 721) - 360;
        SCOPED_TRACE(testing::Message() << level() << " seed " << seed << " size " << w << "x" << h << " at " << dstX
                                        << "," << dstY << " pan " << panX << "," << panY << " angle " << angle);
        Pic want = random_pic(w, h, rng);
        TBitmap b;
        write_pic(b, want);
        Rotate32(b, b, dstX, dstY, w, h, panX, panY, angle);
        model_rotate(want, want, dstX, dstY, w, h, panX, panY, angle);
        const Pic got = read_pic(b);
        ASSERT_EQ(got, want) << first_difference(want, got);
    }
}

// ==== Blur ======================================================================================

TEST(GeometricFilters, BlurKnownAnswers) {
    const Pic row{3, 1, {0, 90 * 0x01010101u, 180 * 0x01010101u}};
    EXPECT_EQ(apply(row, [](TBitmap& b) { Blur32(b, 1); }),
              (Pic{3, 1, {45 * 0x01010101u, 105 * 0x01010101u, 142 * 0x01010101u}}));
    const Pic white{40, 30, std::vector<uint32_t>(1200, 0xFFFFFFFF)};
    EXPECT_EQ(apply(white, [](TBitmap& b) { Blur32(b, 8); }), white);
    std::mt19937 rng(43);
    const Pic pic = random_pic(9, 8, rng);
    for (int32_t radius : {0, -1, -8, INT_MIN}) EXPECT_EQ(apply(pic, [&](TBitmap& b) { Blur32(b, radius); }), pic);
    // Radii past every edge all give the whole-bitmap window.
    const Pic whole = model_blur(pic, 9);
    for (int32_t radius : {9, 10, 1000, INT_MAX}) EXPECT_EQ(apply(pic, [&](TBitmap& b) { Blur32(b, radius); }), whole);
}

// The reciprocal that every path divides by: every sum of every window up to 17 x 17 pixels, and
// for every larger window up to kBlurMagicLimit pixels the sums where the product's error is
// largest (it grows with the sum, so remainder n - 1 of the top quotient fails first).
TEST(GeometricFilters, BlurReciprocalDividesExactly) {
    auto divides = [](uint64_t s, uint64_t n, const filters::Reciprocal& r) { return (s * r.m) >> r.sh == s / n; };
    for (uint64_t n = 1; n <= uint64_t(filters::kBlurMagicLimit); ++n) {
        const filters::Reciprocal r = filters::reciprocal_for(n);
        ASSERT_LT(r.m, uint64_t(1) << 32) << n;
        for (uint64_t s = n <= 289 ? 0 : 254 * n; s <= 255 * n; s += n <= 289 ? 1 : n - 1)
            ASSERT_TRUE(divides(s, n, r)) << s << " / " << n;
    }
}

/// The blur at the level of the running test: Blur32 runs that level's walk.
class BlurAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(BlurAt);

// Radius 21 stands for radii past both edges (up to INT_MAX), which give the model's window of
// the whole bitmap.
TEST_P(BlurAt, MatchesTheFromScratchWindow) {
    for (int32_t radius = 0; radius <= 21; ++radius) {
        for (int round = 0; round < 40; ++round) {
            const int seed = radius * 100 + round;
            std::mt19937 rng(seed);
            const int32_t w = 1 + int32_t(rng() % (round < 30 ? 24 : 70)), h = 1 + int32_t(rng() % 24);
            const int32_t r = radius <= 20 ? radius : rng() % 4 == 0 ? INT_MAX : 70 + int32_t(rng() % 1000);
            SCOPED_TRACE(testing::Message() << level() << " seed " << seed << " radius " << r << " size " << w << "x"
                                            << h);
            const Pic pic = random_pic(w, h, rng);
            const Pic want = model_blur(pic, std::min(r, 70));
            const Pic got = apply(pic, [&](TBitmap& b) { Blur32(b, r); });
            ASSERT_EQ(got, want) << first_difference(want, got);
            if (round % 8 == 0) {
                const Pic wide =
                    apply(pic, [&](TBitmap& b) { filters::blur_running(b, r, filters::BlurPath::plain_wide); });
                ASSERT_EQ(wide, want) << "64-bit sums: " << first_difference(want, wide);
            }
        }
    }
}

// A radius past a line's length costs no more than the length: on long thin bitmaps every path
// gives, at any larger radius, the bytes of the radius that just spans the bitmap.
TEST_P(BlurAt, LongThinBitmapsAtHugeRadii) {
    std::mt19937 rng(47);
    for (const auto& [w, h] : {std::pair{2, 100000}, std::pair{100000, 3}}) {
        const Pic pic = random_pic(w, h, rng);
        const int32_t spanning = std::max(w, h) - 1;
        const Pic want = apply(pic, [&](TBitmap& b) { filters::blur_running(b, spanning, filters::BlurPath::plain); });
        for (const auto path : {filters::BlurPath::automatic, filters::BlurPath::plain_wide})
            for (int32_t radius : {spanning, 10 * spanning, INT_MAX}) {
                const Pic got = apply(pic, [&](TBitmap& b) { filters::blur_running(b, radius, path); });
                ASSERT_EQ(got, want) << w << "x" << h << " " << level()
                                     << (path == filters::BlurPath::plain_wide ? " 64-bit sums" : "") << " radius "
                                     << radius << ": " << first_difference(want, got);
            }
    }
}

// ==== Flips =====================================================================================

TEST(GeometricFilters, FlipsReverseRowsAndColumns) {
    for (int seed = 0; seed < 300; ++seed) {
        std::mt19937 rng(seed);
        const int32_t w = int32_t(rng() % 70), h = int32_t(rng() % 9);
        SCOPED_TRACE(testing::Message() << "seed " << seed << " size " << w << "x" << h);
        const Pic pic = random_pic(w, h, rng);
        Pic upside = pic, mirrored = pic;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                upside.at(x, y) = pic.at(x, h - 1 - y);
                mirrored.at(x, y) = pic.at(w - 1 - x, y);
            }
        ASSERT_EQ(apply(pic, ChangeTopBottom), upside);
        ASSERT_EQ(apply(pic, Mirror), mirrored);
        ASSERT_EQ(apply(apply(pic, Mirror), Mirror), pic);
    }
}

/// The mirror's row reversal at the level of the running test.
class ReverseKernelAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(ReverseKernelAt);

TEST_P(ReverseKernelAt, ReversesEveryLength) {
    const filters::ReverseRow reverse = filters::best_geometric_kernels().reverse;
    for (int32_t n = 0; n < 80; ++n) {
        std::vector<uint32_t> row(size_t(n) + 2);
        for (size_t i = 0; i < row.size(); ++i) row[i] = uint32_t(i * 2654435761u);
        std::vector<uint32_t> want = row;
        std::reverse(want.begin() + 1, want.end() - 1);
        reverse(row.data() + 1, n);
        ASSERT_EQ(row, want) << level() << " n " << n;
    }
}

TEST(GeometricFilters, FlipsConvertToThirtyTwoBitsOthersLeaveOtherFormatsAlone) {
    for (const auto& flip : {ChangeTopBottom, Mirror}) {
        TBitmap b;
        b.SetSize(5, 4);
        b.Canvas().Brush.Color = 0x204060;
        b.Canvas().FillRect(Rect(0, 0, 5, 2));
        flip(b);
        ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
        flip(b);
        EXPECT_EQ(b.Canvas().Pixel(0, 0), 0x204060);
        EXPECT_EQ(b.Canvas().Pixel(4, 3), 0xFFFFFF);
    }
    const std::function<void(TBitmap&)> keep[] = {[](TBitmap& b) { Mosaic32(0, 0, 5, 4, 2, 2, b); },
                                                  [](TBitmap& b) { Blur32(b, 2); }};
    for (const auto& filter : keep) {
        TBitmap b;
        b.SetSize(5, 4);
        b.Canvas().Brush.Color = 0x204060;
        b.Canvas().FillRect(Rect(0, 0, 1, 1));
        filter(b);
        EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(b.Canvas().Pixel(1, 1), 0xFFFFFF);
    }
    TBitmap s, d;
    s.SetSize(4, 4);
    d.SetSize(4, 4);
    d.SetPixelFormat(TPixelFormat::pf32bit);
    const Pic before = read_pic(d);
    Rotate32A(s, d, 90);
    EXPECT_EQ(read_pic(d), before);
}

}  // namespace
