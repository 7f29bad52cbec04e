// Colour filters: hand-worked answers, then every filter against a plain per-pixel model on
// random bitmaps and parameters, the SIMD row kernels against the plain ones, and input outside
// the routines' contract.
#include <lumarix/Lumarixfilters32.h>

#include "filters/color_kernels.h"
#include "lumarix/simd_levels.h"
#include "filters/filter_common.h"
#include "filters/random_lcg.h"
#include "lumarix/filters/filter_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>

namespace {

using namespace lumarix;
using filters_test::byte_of;
using filters_test::first_difference;
using filters_test::Pic;
using filters_test::random_pic;
using filters_test::read_pic;
using filters_test::write_pic;

// ==== Plain models ==============================================================================

uint32_t draw(uint32_t& state, uint32_t range) {
    state = state * 134775813u + 1u;
    return uint32_t((uint64_t(state) * range) >> 32);
}

uint32_t pack(uint32_t b, uint32_t g, uint32_t r, uint32_t a) { return b | (g << 8) | (r << 16) | (a << 24); }

uint32_t clampb(int64_t v) { return uint32_t(std::clamp<int64_t>(v, 0, 255)); }

uint32_t y16(uint32_t p) { return 77 * byte_of(p, 2) + 150 * byte_of(p, 1) + 29 * byte_of(p, 0); }

template <typename Fn>
Pic per_pixel(Pic p, Fn fn) {
    for (int32_t y = 0; y < p.h; ++y)
        for (int32_t x = 0; x < p.w; ++x) p.at(x, y) = fn(p.at(x, y), x, y);
    return p;
}

template <typename Fn>
Pic per_byte(Pic p, Fn fn) {
    return per_pixel(std::move(p), [&](uint32_t v, int32_t, int32_t) {
        uint32_t out = 0;
        for (int k = 0; k < 4; ++k) out |= fn(byte_of(v, k)) << (8 * k);  // bytes in memory order
        return out;
    });
}

Pic model_nega(Pic p, int64_t x, int64_t y, int64_t w, int64_t h) {
    const int64_t lastRow = std::min<int64_t>(y + h, p.h) - 1, lastCol = std::min<int64_t>(x + w, p.w) - 1;
    for (int64_t r = std::max<int64_t>(y, 0); r <= lastRow; ++r)
        for (int64_t c = std::max<int64_t>(x, 0); c <= lastCol; ++c) p.at(int32_t(c), int32_t(r)) ^= 0x00FFFFFFu;
    return p;
}

Pic model_xdivide(Pic p, int64_t x, int64_t y, int64_t w, int64_t h, int32_t levels) {
    if (levels < 1 || levels > 256) return p;
    const uint32_t step = uint32_t(256 / levels);
    for (int64_t r = std::max<int64_t>(y, 0); r < std::min<int64_t>(y + h, p.h); ++r)
        for (int64_t c = std::max<int64_t>(x, 0); c < std::min<int64_t>(x + w, p.w); ++c) {
            uint32_t& v = p.at(int32_t(c), int32_t(r));
            v = pack(byte_of(v, 0) / step * step, byte_of(v, 1) / step * step, byte_of(v, 2) / step * step,
                     byte_of(v, 3) / step * step);
        }
    return p;
}

Pic model_noise_rgball(Pic p, uint8_t amount, uint32_t state) {
    return per_pixel(std::move(p), [&](uint32_t v, int32_t, int32_t) {
        const uint32_t n = draw(state, amount);
        return pack(std::min(byte_of(v, 0) + n, 255u), std::min(byte_of(v, 1) + n, 255u),
                    std::min(byte_of(v, 2) + n, 255u), byte_of(v, 3));
    });
}

Pic model_noise32(Pic p, uint8_t amount, uint32_t state) {
    return per_byte(std::move(p), [&](uint32_t v) { return std::min(v + draw(state, amount), 255u); });
}

Pic model_thin(Pic p, uint32_t a) {
    return per_pixel(std::move(p), [&](uint32_t v, int32_t, int32_t) {
        const uint32_t g = (y16(v) * a) >> 16, k = 255 - a;
        return pack(g + ((byte_of(v, 0) * k) >> 8), g + ((byte_of(v, 1) * k) >> 8), g + ((byte_of(v, 2) * k) >> 8),
                    byte_of(v, 3));
    });
}

uint32_t sepia_tone(uint32_t t, uint32_t i) { return i < 128 ? (t * i) >> 7 : ((255 - i) * t + 255 * (i - 128)) >> 7; }

/// The starting state of a reseeding filter, recovered from the state it left after `draws`
/// draws: the congruence is invertible because its multiplier is odd.
uint32_t state_before(uint32_t after, uint64_t draws) {
    uint32_t inv = 134775813u;
    for (int i = 0; i < 5; ++i) inv *= 2 - 134775813u * inv;
    for (uint64_t i = 0; i < draws; ++i) after = (after - 1) * inv;
    return after;
}

// ==== Known answers =============================================================================

Pic one_row(std::initializer_list<uint32_t> px) { return Pic{int32_t(px.size()), 1, std::vector<uint32_t>(px)}; }

Pic apply(const Pic& in, const std::function<void(TBitmap&)>& filter) {
    TBitmap b;
    write_pic(b, in);
    filter(b);
    return read_pic(b);
}

TEST(ColorFilters, KnownAnswers) {
    const Pic grey = apply(one_row({0xAAFFFFFF, 0x11FF0000, 0x220000FF, 0x3300FF00}), MonoYUV);
    EXPECT_EQ(grey, one_row({0xAAFFFFFF, 0x114C4C4C, 0x221C1C1C, 0x33959595}));  // 255, 76, 28, 149

    EXPECT_EQ(apply(one_row({0x001E140A, 0}), [](TBitmap& b) { thinRGB32(b, 0); }), one_row({0x001D1309, 0}));

    // Tints 255, 255, 255: grey 255 maps to 253, grey 0 to 0.
    EXPECT_EQ(apply(one_row({0x80FFFFFF, 0x7F000000}), [](TBitmap& b) { SepiaSuper32(b, 255, 255, 255); }),
              one_row({0x80FDFDFD, 0x7F000000}));

    EXPECT_EQ(apply(one_row({0x007F0000 | 0x0000FF80, 0xFF80007F}), Solarization32),
              one_row({0x007F007F, 0x007F007F}));

    // Colour bytes summing to 382 and 383 against the threshold 383.
    EXPECT_EQ(apply(one_row({0x12FF7F00, 0x12FF8000}), [](TBitmap& b) { Mono32(383, b); }),
              one_row({0x00000000, 0xFFFFFFFF}));

    EXPECT_EQ(apply(one_row({0x4CBF403F, 0xFF000000 | 0x00FF0000}), [](TBitmap& b) { xDivide32(b, 0, 0, 2, 1, 4); }),
              one_row({0x40804000, 0xC0C00000}));
    Pic ramp{256, 1, {}};
    for (uint32_t v = 0; v < 256; ++v) ramp.px.push_back(v * 0x01010101u);
    const Pic three = apply(ramp, [](TBitmap& b) { xDivide32(b, 0, 0, 256, 1, 3); });
    std::vector<uint32_t> levels;
    for (uint32_t v : three.px) if (levels.empty() || levels.back() != (v & 255)) levels.push_back(v & 255);
    EXPECT_EQ(levels, (std::vector<uint32_t>{0, 85, 170, 255}));
    EXPECT_EQ(apply(ramp, [](TBitmap& b) { xDivide32(b, 0, 0, 256, 1, 256); }), ramp);
    EXPECT_EQ(apply(ramp, [](TBitmap& b) { xDivide32(b, 0, 0, 256, 1, 1); }), (Pic{256, 1, std::vector<uint32_t>(256, 0)}));

    EXPECT_EQ(apply(ramp, [](TBitmap& b) { Bright32(b, -300); }), (Pic{256, 1, std::vector<uint32_t>(256, 0)}));
    EXPECT_EQ(apply(ramp, [](TBitmap& b) { Bright32(b, 300); }), (Pic{256, 1, std::vector<uint32_t>(256, ~0u)}));

    const Pic white{3, 4, std::vector<uint32_t>(12, 0x80FFFFFF)};
    const Pic split = apply(white, RGBDivide32);
    const uint32_t stripes[3] = {0x800000FF, 0x8000FF00, 0x80FF0000};
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(split.at(x, y), stripes[y % 3]) << x << "," << y;

    // Nega32 twice restores; a rectangle past the edges inverts only the inside part.
    std::mt19937 rng(3);
    const Pic pic = random_pic(9, 7, rng);
    const auto nega = [](TBitmap& b) { Nega32(4, 3, 100, 100, b); };
    EXPECT_EQ(apply(apply(pic, nega), nega), pic);
    const Pic once = apply(pic, nega);
    EXPECT_EQ(once.at(3, 5), pic.at(3, 5));
    EXPECT_EQ(once.at(8, 6), pic.at(8, 6) ^ 0x00FFFFFF);
}

TEST(ColorFilters, NoiseOfAmountZeroOrOneKeepsColoursButAdvancesTheGenerator) {
    std::mt19937 rng(5);
    const Pic pic = random_pic(13, 3, rng);
    for (uint8_t amount : {0, 1}) {
        SCOPED_TRACE(int(amount));
        TBitmap b;
        write_pic(b, pic);
        SetRandomState(0);
        NoiseRGBALL32(b, amount);
        EXPECT_EQ(read_pic(b), pic);
        Reseed();
        const uint32_t seeded = RandomState();
        Noise32(b, amount);
        EXPECT_EQ(read_pic(b), pic);
        EXPECT_NE(RandomState(), seeded);
    }
}

TEST(ColorFilters, TvNoiseNeverReachesWhiteAndClearsTheFourthByte) {
    TBitmap b;
    write_pic(b, Pic{64, 64, std::vector<uint32_t>(64 * 64, 0xFFFFFFFF)});
    SetRandomState(0);
    TVNoise32(b);
    uint32_t highest = 0;
    for (uint32_t v : read_pic(b).px) {
        ASSERT_EQ(v >> 24, 0u);
        ASSERT_EQ(v & 0xFFFFFF, (v & 255) * 0x010101u);
        highest = std::max(highest, v & 255);
    }
    EXPECT_EQ(highest, 254u);
}

// ==== Against the plain models ==================================================================

TEST(ColorFilters, MatchPlainModelsOnRandomBitmaps) {
    for (int seed = 0; seed < 1500; ++seed) {
        std::mt19937 rng(seed);
        const int32_t w = int32_t(rng() % (seed < 1400 ? 40 : 300)), h = int32_t(rng() % 6);
        SCOPED_TRACE(testing::Message() << "seed " << seed << " size " << w << "x" << h);
        const Pic pic = random_pic(w, h, rng);
        const auto check = [&](const char* name, const Pic& want, const std::function<void(TBitmap&)>& filter) {
            const Pic got = apply(pic, filter);
            ASSERT_EQ(got, want) << name << ": " << first_difference(want, got);
        };
        const uint8_t amount = uint8_t(rng());
        const int32_t rx = int32_t(rng() % 50) - 5, ry = int32_t(rng() % 8) - 2, rw = int32_t(rng() % 50) - 3,
                      rh = int32_t(rng() % 8) - 1;

        check("Nega32", model_nega(pic, rx, ry, rw, rh), [&](TBitmap& b) { Nega32(rx, ry, rw, rh, b); });
        const int32_t levels = int32_t(rng() % 260) - 2;
        check("xDivide32", model_xdivide(pic, rx, ry, rw, rh, levels),
              [&](TBitmap& b) { xDivide32(b, rx, ry, rw, rh, levels); });

        {  // the reseeding noises: recover the seed from the state they leave
            TBitmap b;
            write_pic(b, pic);
            NoiseRGBALL32(b, amount);
            const uint32_t start = state_before(RandomState(), uint64_t(w) * uint64_t(h));
            const Pic want = model_noise_rgball(pic, amount, start);
            ASSERT_EQ(read_pic(b), want) << "NoiseRGBALL32: " << first_difference(want, read_pic(b));
            Noise32(b, amount);
            const uint32_t start32 = state_before(RandomState(), uint64_t(w) * uint64_t(h) * 4);
            const Pic want32 = model_noise32(want, amount, start32);
            ASSERT_EQ(read_pic(b), want32) << "Noise32: " << first_difference(want32, read_pic(b));
        }
        const uint32_t state = rng();
        {
            uint32_t s = state;
            check("TVNoise32", per_pixel(pic, [&](uint32_t, int32_t, int32_t) { return draw(s, 255) * 0x010101u; }),
                  [&](TBitmap& b) { SetRandomState(state); TVNoise32(b); });
            ASSERT_EQ(RandomState(), s);
            s = state;
            check("TVNoise32Color", per_pixel(pic, [&](uint32_t, int32_t, int32_t) { return draw(s, 0xFFFFFFFFu); }),
                  [&](TBitmap& b) { SetRandomState(state); TVNoise32Color(b); });
            ASSERT_EQ(RandomState(), s);
        }

        check("RGBDivide32", per_pixel(pic, [](uint32_t v, int32_t, int32_t y) {
                  const int keep = y % 3;
                  return pack(keep == 0 ? byte_of(v, 0) : 0, keep == 1 ? byte_of(v, 1) : 0,
                              keep == 2 ? byte_of(v, 2) : 0, byte_of(v, 3));
              }), RGBDivide32);
        check("thinRGB32", model_thin(pic, amount), [&](TBitmap& b) { thinRGB32(b, amount); });
        const int32_t dr = int32_t(rng() % 700) - 350, dg = int32_t(rng() % 700) - 350,
                      db = seed % 50 == 0 ? INT_MIN : int32_t(rng() % 700) - 350;
        check("ColorRevision32", per_pixel(pic, [&](uint32_t v, int32_t, int32_t) {
                  return pack(clampb(int64_t(byte_of(v, 0)) + db), clampb(int64_t(byte_of(v, 1)) + dg),
                              clampb(int64_t(byte_of(v, 2)) + dr), byte_of(v, 3));
              }), [&](TBitmap& b) { ColorRevision32(dr, dg, db, b); });
        const int16_t delta = int16_t(rng());
        check("Bright32", per_byte(pic, [&](uint32_t v) { return clampb(int64_t(v) + delta); }),
              [&](TBitmap& b) { Bright32(b, delta); });
        check("MonoYUV", per_pixel(pic, [](uint32_t v, int32_t, int32_t) {
                  const uint32_t g = y16(v) >> 8;
                  return pack(g, g, g, byte_of(v, 3));
              }), MonoYUV);
        check("MonoAllAdd32", per_pixel(pic, [](uint32_t v, int32_t, int32_t) {
                  const uint32_t g = (byte_of(v, 0) + byte_of(v, 1) + byte_of(v, 2)) / 3;
                  return pack(g, g, g, byte_of(v, 3));
              }), MonoAllAdd32);
        const uint8_t tr = uint8_t(rng()), tg = uint8_t(rng()), tb = uint8_t(rng());
        check("SepiaSuper32", per_pixel(pic, [&](uint32_t v, int32_t, int32_t) {
                  const uint32_t g = y16(v) >> 8;
                  return pack(sepia_tone(tb, g), sepia_tone(tg, g), sepia_tone(tr, g), byte_of(v, 3));
              }), [&](TBitmap& b) { SepiaSuper32(b, tr, tg, tb); });
        const int32_t threshold = int32_t(rng() % 800) - 20;
        check("Mono32", per_pixel(pic, [&](uint32_t v, int32_t, int32_t) {
                  return int32_t(byte_of(v, 0) + byte_of(v, 1) + byte_of(v, 2)) < threshold ? 0u : ~0u;
              }), [&](TBitmap& b) { Mono32(threshold, b); });
        check("Solarization32", per_byte(pic, [](uint32_t v) { return std::min(v, 255 - v); }), Solarization32);
    }
}

TEST(ColorFilters, WideBitmapsBeyondSixteenBitCountersAreTreatedWhole) {
    std::mt19937 rng(17);
    const Pic pic = random_pic(8200, 3, rng);
    EXPECT_EQ(apply(pic, [](TBitmap& b) { Bright32(b, 40); }),
              per_byte(pic, [](uint32_t v) { return clampb(int64_t(v) + 40); }));
    EXPECT_EQ(apply(pic, [](TBitmap& b) { Mono32(300, b); }), per_pixel(pic, [](uint32_t v, int32_t, int32_t) {
                  return byte_of(v, 0) + byte_of(v, 1) + byte_of(v, 2) < 300 ? 0u : ~0u;
              }));
    EXPECT_EQ(apply(pic, [](TBitmap& b) { xDivide32(b, 8000, 1, 200, 40000, 8); }),
              model_xdivide(pic, 8000, 1, 200, 40000, 8));
}

// ==== Out of contract ===========================================================================

TEST(ColorFilters, RectanglesFarOutsideAndBadLevelsStayInsideTheBitmap) {
    std::mt19937 rng(23);
    const Pic pic = random_pic(11, 9, rng);
    const int32_t cases[][4] = {{-5, -5, 8, 8},           {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                                {3, 2, INT_MAX, INT_MAX}, {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                                {-100, 4, 50, -3},        {20, 20, 5, 5}};
    for (const auto& r : cases) {
        SCOPED_TRACE(testing::Message() << r[0] << "," << r[1] << "," << r[2] << "," << r[3]);
        EXPECT_EQ(apply(pic, [&](TBitmap& b) { Nega32(r[0], r[1], r[2], r[3], b); }),
                  model_nega(pic, r[0], r[1], r[2], r[3]));
        EXPECT_EQ(apply(pic, [&](TBitmap& b) { xDivide32(b, r[0], r[1], r[2], r[3], 5); }),
                  model_xdivide(pic, r[0], r[1], r[2], r[3], 5));
    }
    for (int32_t levels : {0, -1, -300, 257, 100000, INT_MIN})
        EXPECT_EQ(apply(pic, [&](TBitmap& b) { xDivide32(b, 0, 0, 11, 9, levels); }), pic) << levels;
}

TEST(ColorFilters, OtherPixelFormatsAndEmptyBitmaps) {
    // Filters that need 32-bit rows leave a 24-bit bitmap alone; the others convert it first.
    const std::function<void(TBitmap&)> keep[] = {
        [](TBitmap& b) { Nega32(0, 0, 5, 5, b); }, [](TBitmap& b) { NoiseRGBALL32(b, 200); },
        [](TBitmap& b) { thinRGB32(b, 100); },     [](TBitmap& b) { ColorRevision32(9, 9, 9, b); },
        MonoYUV, MonoAllAdd32, [](TBitmap& b) { SepiaSuper32(b, 1, 2, 3); },
        [](TBitmap& b) { Mono32(100, b); }, Solarization32, [](TBitmap& b) { xDivide32(b, 0, 0, 5, 5, 2); }};
    for (const auto& filter : keep) {
        TBitmap b;
        b.SetSize(5, 5);
        b.Canvas().Brush.Color = 0x123456;
        b.Canvas().FillRect(Rect(0, 0, 5, 5));
        std::vector<uint8_t> before(b.ScanLine(4), b.ScanLine(4) + b.RowStride());
        filter(b);
        EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(std::vector<uint8_t>(b.ScanLine(4), b.ScanLine(4) + b.RowStride()), before);
    }
    const std::function<void(TBitmap&)> convert[] = {[](TBitmap& b) { Noise32(b, 3); }, RGBDivide32,
                                                     [](TBitmap& b) { Bright32(b, 1); }, TVNoise32, TVNoise32Color};
    for (const auto& filter : convert) {
        TBitmap b;
        b.SetSize(3, 2);
        filter(b);
        EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
        TBitmap empty;
        empty.SetSize(0, 4);
        filter(empty);
        EXPECT_EQ(empty.PixelFormat(), TPixelFormat::pf32bit);
        EXPECT_EQ(empty.Width(), 0);
    }
}

// ==== SIMD row kernels ==========================================================================

/// The kernels at the level of the running test against the plain ones.
class ColorKernelsAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(ColorKernelsAt);

TEST_P(ColorKernelsAt, PosterizeMatchesTheTableForEveryStep) {
    std::vector<uint8_t> all(256 + 64 + 3);
    for (size_t i = 0; i < all.size(); ++i) all[i] = uint8_t(i * 7 + (i >> 8));
    const auto posterize = filters::best_color_kernels().posterize;
    {
        for (uint32_t step = 1; step <= 256; ++step) {
            for (size_t offset = 0; offset < 4; ++offset) {
                std::vector<uint8_t> buf = all;
                const int64_t n = int64_t(buf.size()) - 4;
                posterize(buf.data() + offset, n, filters::Posterize::for_step(step));
                for (size_t i = 0; i < buf.size(); ++i) {
                    const bool inside = i >= offset && int64_t(i) < int64_t(offset) + n;
                    const uint8_t want = inside ? uint8_t(all[i] / step * step) : all[i];
                    ASSERT_EQ(buf[i], want) << level() << " step " << step << " offset " << offset << " byte " << i;
                }
            }
        }
    }
}

TEST_P(ColorKernelsAt, MonoYuvMatchesThePlainRow) {
    const auto mono = filters::best_color_kernels().mono_yuv;
    std::mt19937 rng(29);
    {
        for (int32_t n = 0; n < 70; ++n) {
            for (int32_t offset = 0; offset < 4; ++offset) {
                SCOPED_TRACE(testing::Message() << level() << " n " << n << " offset " << offset);
                const Pic pic = random_pic(n + 8, 1, rng);
                std::vector<uint32_t> want = pic.px, got = pic.px;
                filters::scalar_color_kernels().mono_yuv(want.data() + offset, n);
                mono(got.data() + offset, n);
                ASSERT_EQ(got, want);
            }
        }
    }
}

}  // namespace
