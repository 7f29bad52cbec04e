// Known answers of the per-pixel-alpha picture blits and the transitions, through the public
// methods.
#include "blit_test_util.h"
#include "lumarix/simd_levels.h"

#include <gtest/gtest.h>

namespace {

using namespace blit_test;
using Px = std::vector<uint8_t>;

// One source pixel (s, s, s, A) over one destination pixel (d, d, d, d4) through `blit`.
template <class Blit>
Px one_pixel(uint8_t s, uint8_t A, uint8_t d, uint8_t d4, Blit blit) {
    TLumarix src, dest;
    src.SetSize(1, 1);
    dest.SetSize(1, 1);
    set_px(src, 0, 0, s, s, s, A);
    set_px(dest, 0, 0, d, d, d, d4);
    blit(src, dest);
    return bytes_of(dest, 0, 0);
}

TEST(BlitPic, KnownAnswers) {
    auto pic = [](TLumarix& s, TBitmap& d) { s.ColorAlphaPic(0, 0, 1, 1, 0, 0, d); };
    auto picMmx = [](TLumarix& s, TBitmap& d) { s.ColorAlphaPicMMX(0, 0, 1, 1, 0, 0, d); };
    // Opaque white over black: 254 in the plain routine (weight 255), 253 in the MMX one (127/128).
    EXPECT_EQ(one_pixel(255, 0, 0, 9, pic), (Px{254, 254, 254, 9}));
    EXPECT_EQ(one_pixel(255, 0, 0, 0, picMmx), (Px{253, 253, 253, 0}));
    // Fully transparent keeps the destination exactly.
    EXPECT_EQ(one_pixel(255, 255, 77, 9, pic), (Px{77, 77, 77, 9}));
    // A = 128: 200 over 100 gives 149 in both; the MMX routine blends the fourth byte as well:
    // (128·63 + 100·65) >> 7 = 113.
    EXPECT_EQ(one_pixel(200, 128, 100, 100, pic), (Px{149, 149, 149, 100}));
    EXPECT_EQ(one_pixel(200, 128, 100, 100, picMmx), (Px{149, 149, 149, 113}));
}

TEST(BlitPic, ConstantAlphaWeights) {
    auto picAlpha = [](uint16_t a) { return [a](TLumarix& s, TBitmap& d) { s.ColorAlphaPicAlpha(0, 0, 1, 1, 0, 0, d, a); }; };
    auto picAlphaCh = [](uint16_t a) { return [a](TLumarix& s, TBitmap& d) { s.ColorAlphaPicAlphaCh(0, 0, 1, 1, 0, 0, d, a); }; };
    auto picAlphaMmx = [](uint16_t a) { return [a](TLumarix& s, TBitmap& d) { s.ColorAlphaPicAlphaMMX(0, 0, 1, 1, 0, 0, d, a); }; };
    auto picAlphaChMmx = [](uint16_t a) { return [a](TLumarix& s, TBitmap& d) { s.ColorAlphaPicAlphaChMMX(0, 0, 1, 1, 0, 0, d, a); }; };
    // Alpha 256 copies an opaque pixel exactly; a fully transparent one still weighs 1.
    EXPECT_EQ(one_pixel(201, 0, 3, 9, picAlpha(256)), (Px{201, 201, 201, 9}));
    EXPECT_EQ(one_pixel(255, 255, 0, 9, picAlpha(256)), (Px{0, 0, 0, 9}));         // (255·1) >> 8
    EXPECT_EQ(one_pixel(255, 255, 255, 9, picAlpha(256)), (Px{255, 255, 255, 9}));
    EXPECT_EQ(one_pixel(200, 0, 100, 9, picAlpha(0)), (Px{100, 100, 100, 9}));
    EXPECT_EQ(one_pixel(200, 0, 100, 9, picAlphaCh(0)), (Px{100, 100, 100, 9}));
    EXPECT_EQ(one_pixel(200, 128, 100, 9, picAlphaCh(200)), one_pixel(200, 128, 100, 9, picAlpha(200)));
    // The MMX weights add up to 255: at alpha 0 every byte above 0 drops by one, the fourth too.
    EXPECT_EQ(one_pixel(200, 0, 100, 50, picAlphaMmx(0)), (Px{99, 99, 99, 49}));
    EXPECT_EQ(one_pixel(200, 0, 0, 0, picAlphaMmx(0)), (Px{0, 0, 0, 0}));
    // ... except in the shortcut twin, which leaves fully transparent pixels alone.
    EXPECT_EQ(one_pixel(200, 255, 100, 50, picAlphaChMmx(256)), (Px{100, 100, 100, 50}));
    EXPECT_EQ(one_pixel(200, 255, 100, 50, picAlphaMmx(256)), (Px{99, 99, 99, 49}));
}

TEST(BlitPic, ShortcutsCopyOpaqueAndSkipTransparentPixels) {
    auto ch = [](TLumarix& s, TBitmap& d) { s.ColorAlphaPicCh(0, 0, 1, 1, 0, 0, d); };
    auto chMmx = [](TLumarix& s, TBitmap& d) { s.ColorAlphaPicChMMX(0, 0, 1, 1, 0, 0, d); };
    EXPECT_EQ(one_pixel(255, 0, 0, 9, ch), (Px{255, 255, 255, 9}));   // copied, fourth byte kept
    EXPECT_EQ(one_pixel(255, 255, 7, 9, ch), (Px{7, 7, 7, 9}));
    EXPECT_EQ(one_pixel(255, 1, 0, 9, ch), (Px{253, 253, 253, 9}));   // (255·254 + 0) >> 8
    EXPECT_EQ(one_pixel(255, 1, 0, 9, chMmx), (Px{255, 255, 255, 1}));  // whole pixel, transparency byte too
    EXPECT_EQ(one_pixel(255, 0, 0, 9, chMmx), (Px{255, 255, 255, 0}));
    EXPECT_EQ(one_pixel(255, 254, 7, 9, chMmx), (Px{7, 7, 7, 9}));
    EXPECT_EQ(one_pixel(255, 2, 0, 0, chMmx), (Px{251, 251, 251, 1}));  // (255·126) >> 7, (2·126) >> 7
}

TEST(BlitPic, RowOfOnePixelAndEmptyWidth) {
    TLumarix src, dest;
    src.SetSize(3, 1);
    dest.SetSize(3, 1);
    fill(src, 255, 255, 255, 0);
    fill(dest, 0, 0, 0, 0);
    src.ColorAlphaPicMMX(1, 0, 1, 1, 0, 0, dest);
    src.ColorAlphaPicAlphaChMMX(1, 0, 0, 1, 0, 0, dest, 256);
    EXPECT_EQ(bytes_of(dest, 0, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(bytes_of(dest, 1, 0), (Px{253, 253, 253, 0}));
    EXPECT_EQ(bytes_of(dest, 2, 0), (Px{0, 0, 0, 0}));
}

// A one-row transition: source pixels (200, 200, 200, A), destination (100, 100, 100, 50), and
// the given map bytes laid over destination columns from destX on.
struct TransRow {
    TLumarix src, dest;
    TBitmap map;

    TransRow(std::vector<uint8_t> levels, int destX = 0, uint8_t A = 0) {
        const int n = int(levels.size());
        src.SetSize(n, 1);
        dest.SetSize(n + destX, 1);
        map.SetPixelFormat(lumarix::TPixelFormat::pf8bit);
        map.SetSize(n + destX, 1);
        fill(src, 200, 200, 200, A);
        fill(dest, 100, 100, 100, 50);
        for (int i = 0; i < destX; ++i) map.ScanLine(0)[i] = 0;
        for (int i = 0; i < n; ++i) map.ScanLine(0)[destX + i] = levels[size_t(i)];
    }
};

TEST(BlitTransition, WorkedValues) {
    using Method = void (TLumarix::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, TBitmap&, TBitmap&,
                                      uint16_t, uint16_t);
    const std::pair<const char*, Method> methods[] = {
        {"ColorAlphaPicTrans", &TLumarix::ColorAlphaPicTrans},
        {"ColorAlphaPicTransMMX", &TLumarix::ColorAlphaPicTransMMX},
        {"ColorAlphaPicAlphaTransMMX", &TLumarix::ColorAlphaPicAlphaTransMMX},
        {"ColorAlphaPicAlphaTrans", &TLumarix::ColorAlphaPicAlphaTrans},
    };
    for (const auto& [name, method] : methods) {
        SCOPED_TRACE(name);
        const bool allFour = std::string(name).find("MMX") != std::string::npos;
        // softness 4 (W 16), progress 128: T = 136. Map 130: e = 6, (200·6 + 100·10) >> 4 = 137;
        // map 100 beyond the band: copied; map 140: not reached. The opaque pixel of the
        // transparency-aware transition follows the same numbers.
        TransRow t({130, 100, 140, 136, 120});
        (t.src.*method)(0, 0, 5, 1, 0, 0, t.map, t.dest, 128, 4);
        EXPECT_EQ(bytes_of(t.dest, 0, 0), (Px{137, 137, 137, uint8_t(allFour ? (0 * 6 + 50 * 10) >> 4 : 50)}));
        EXPECT_EQ(bytes_of(t.dest, 1, 0), (Px{200, 200, 200, uint8_t(allFour ? 0 : 50)}));
        EXPECT_EQ(bytes_of(t.dest, 2, 0), (Px{100, 100, 100, 50}));
        EXPECT_EQ(bytes_of(t.dest, 3, 0), (Px{100, 100, 100, 50}));  // e = 0 leaves it
        EXPECT_EQ(bytes_of(t.dest, 4, 0), (Px{200, 200, 200, uint8_t(allFour ? 0 : 50)}));  // e = 16 = W

        // Progress 0 visits only map value 0, which it leaves; progress 256 copies everything.
        TransRow none({0, 1, 255});
        (none.src.*method)(0, 0, 3, 1, 0, 0, none.map, none.dest, 0, 4);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(bytes_of(none.dest, x, 0), (Px{100, 100, 100, 50}));
        TransRow all({0, 128, 255});
        (all.src.*method)(0, 0, 3, 1, 0, 0, all.map, all.dest, 256, 4);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(bytes_of(all.dest, x, 0)[0], 200);

        // Softness 0 (W 1) gives a hard edge: e = 1 takes the source exactly, e = 0 nothing.
        TransRow hard({63, 64});
        (hard.src.*method)(0, 0, 2, 1, 0, 0, hard.map, hard.dest, 64, 0);  // T = (64·257) >> 8 = 64
        EXPECT_EQ(bytes_of(hard.dest, 0, 0)[0], 200);
        EXPECT_EQ(bytes_of(hard.dest, 1, 0)[0], 100);

        // The map is read from the target's own column: at destX 10, from map column 10 on.
        TransRow shifted({130, 140}, 10);
        (shifted.src.*method)(10, 0, 2, 1, 0, 0, shifted.map, shifted.dest, 128, 4);
        EXPECT_EQ(bytes_of(shifted.dest, 10, 0)[0], 137);
        EXPECT_EQ(bytes_of(shifted.dest, 11, 0)[0], 100);
        EXPECT_EQ(bytes_of(shifted.dest, 0, 0)[0], 100);
    }
}

TEST(BlitTransition, AlphaTransitionWeighsByBandAndTransparency) {
    // softness 4, progress 128 (T 136). A = 128 halves the source's weight: map 130 gives f = 96,
    // k = (128·96) >> 8 = 48, d' = (200·48 + 100·208) >> 8 = 118; beyond the band k = 128: 150.
    TransRow t({130, 100, 140}, 0, 128);
    t.src.ColorAlphaPicAlphaTrans(0, 0, 3, 1, 0, 0, t.map, t.dest, 128, 4);
    EXPECT_EQ(bytes_of(t.dest, 0, 0), (Px{118, 118, 118, 50}));
    EXPECT_EQ(bytes_of(t.dest, 1, 0), (Px{150, 150, 150, 50}));
    EXPECT_EQ(bytes_of(t.dest, 2, 0), (Px{100, 100, 100, 50}));
    // A fully transparent picture barely shows even when the transition is complete (weight 1).
    TransRow clear({0, 255}, 0, 255);
    clear.src.ColorAlphaPicAlphaTrans(0, 0, 2, 1, 0, 0, clear.map, clear.dest, 256, 4);
    EXPECT_EQ(bytes_of(clear.dest, 0, 0), (Px{100, 100, 100, 50}));  // (200 + 100·255) >> 8
    // The MMX twin ignores the transparency byte: it copies.
    TransRow mmx({0, 255}, 0, 255);
    mmx.src.ColorAlphaPicAlphaTransMMX(0, 0, 2, 1, 0, 0, mmx.map, mmx.dest, 256, 4);
    EXPECT_EQ(bytes_of(mmx.dest, 1, 0), (Px{200, 200, 200, 255}));
    // Along the band the weight never leaves 0 to 256, also at the widest band (softness 15).
    for (int level = 0; level <= 256; level += 8) {
        TransRow wide({0, 100, 255}, 0, 0);
        wide.src.ColorAlphaPicAlphaTrans(0, 0, 3, 1, 0, 0, wide.map, wide.dest, uint16_t(level), 15);
        for (int x = 0; x < 3; ++x) {
            const uint8_t b = bytes_of(wide.dest, x, 0)[0];
            EXPECT_TRUE(b >= 100 && b <= 200) << "progress " << level << " column " << x;
        }
    }
}

TEST(BlitTransition, MapSmallerThanTheTargetLeavesUncoveredPixels) {
    TBitmap small;
    small.SetPixelFormat(lumarix::TPixelFormat::pf8bit);
    small.SetSize(2, 1);  // rows of 4 bytes: covers destination columns 0 to 3
    small.ScanLine(0)[0] = small.ScanLine(0)[1] = small.ScanLine(0)[2] = small.ScanLine(0)[3] = 0;
    TLumarix wideSrc, wideDest;
    wideSrc.SetSize(6, 2);
    wideDest.SetSize(6, 2);
    fill(wideSrc, 200, 200, 200, 0);
    fill(wideDest, 100, 100, 100, 50);
    wideSrc.ColorAlphaPicTransMMX(0, 0, 6, 2, 0, 0, small, wideDest, 256, 4);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(bytes_of(wideDest, x, 0)[0], x < 4 ? 200 : 100) << x;
        EXPECT_EQ(bytes_of(wideDest, x, 1)[0], 100) << x;  // the map has one row
    }
}

// A map that is the destination itself: each pixel reads its map byte after the pixels left of
// it were written, so every level gives the bytes of the plain walk.
class MapIsDestinationAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(MapIsDestinationAt);

TEST_P(MapIsDestinationAt, EveryLevelGivesThePlainBytes) {
    std::mt19937 rng(5);
    for (auto trans : {&TLumarix::ColorAlphaPicTrans, &TLumarix::ColorAlphaPicTransMMX,
                       &TLumarix::ColorAlphaPicAlphaTrans, &TLumarix::ColorAlphaPicAlphaTransMMX})
        for (int width : {1, 7, 33}) {
            SCOPED_TRACE(testing::Message() << level() << " width " << width);
            TLumarix src, dest;
            src.SetSize(40, 3);
            dest.SetSize(40, 3);
            for (TBitmap* b : {&src, &dest})
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 160; ++x) b->ScanLine(y)[x] = uint8_t(rng());  // map bytes at every band position
            const std::vector<uint8_t> start = snapshot(dest);
            (src.*trans)(0, 0, width, 3, 0, 0, dest, dest, 100, 3);
            const std::vector<uint8_t> got = snapshot(dest);
            restore(dest, start);
            lumarix::simd::set_level_cap(lumarix::simd::Level::plain);
            (src.*trans)(0, 0, width, 3, 0, 0, dest, dest, 100, 3);
            lumarix::simd::set_level_cap(GetParam());
            ASSERT_EQ(got, snapshot(dest));
        }
}

}  // namespace
