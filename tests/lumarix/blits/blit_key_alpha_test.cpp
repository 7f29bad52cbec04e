// Known answers of the colour-key and constant-alpha blits, through the public methods.
#include "blit_test_util.h"
#include "lumarix/simd_levels.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace blit_test;
using lumarix::TColor;

using AlphaBlit = std::function<void(TLumarix&, TBitmap&, uint16_t)>;

struct NamedAlphaBlit {
    const char* name;
    AlphaBlit run;  // the whole 4 x 2 source onto the destination at (0, 0)
};

// A key that no test pixel matches.
constexpr TColor kNoKey = 0x123456;

std::vector<NamedAlphaBlit> all_constant_alpha_blits() {
    return {
        {"ColorAlpha", [](TLumarix& s, TBitmap& d, uint16_t a) { s.ColorAlpha(0, 0, 4, 2, 0, 0, d, a); }},
        {"ColorAlphaMMX", [](TLumarix& s, TBitmap& d, uint16_t a) { s.ColorAlphaMMX(0, 0, 4, 2, 0, 0, d, a); }},
        {"ColorAlphaMMX64", [](TLumarix& s, TBitmap& d, uint16_t a) { s.ColorAlphaMMX64(0, 0, 4, 2, 0, 0, d, a); }},
        {"ColorAlphaSSE2_64",
         [](TLumarix& s, TBitmap& d, uint16_t a) { s.ColorAlphaSSE2_64(0, 0, 4, 2, 0, 0, d, a); }},
        {"ColorKeyAlpha",
         [](TLumarix& s, TBitmap& d, uint16_t a) { s.ColorKeyAlpha(0, 0, 4, 2, 0, 0, d, kNoKey, uint8_t(a)); }},
        {"ColorKeyAlphaMMX",
         [](TLumarix& s, TBitmap& d, uint16_t a) { s.ColorKeyAlphaMMX(0, 0, 4, 2, 0, 0, d, kNoKey, a); }},
    };
}

TEST(BlitConstantAlpha, KnownAnswers) {
    TLumarix src, dest;
    src.SetSize(4, 2);
    dest.SetSize(4, 2);
    for (const auto& blit : all_constant_alpha_blits()) {
        SCOPED_TRACE(blit.name);
        // 200 over 100 at 128 gives 150 in every routine (the fourth byte too where blended).
        fill(src, 200, 200, 200, 200);
        fill(dest, 100, 100, 100, 100);
        blit.run(src, dest, 128);
        const uint8_t fourth = std::string(blit.name) == "ColorKeyAlpha" ? 100 : 150;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(bytes_of(dest, x, y), (std::vector<uint8_t>{150, 150, 150, fourth}));
    }

    // The plain routine's greatest weight is 255: white over black gives 254, at 255 and at 300.
    for (uint16_t a : {uint16_t(255), uint16_t(300)}) {
        fill(src, 255, 255, 255, 255);
        fill(dest, 0, 0, 0, 0);
        src.ColorAlpha(0, 0, 4, 2, 0, 0, dest, a);
        EXPECT_EQ(bytes_of(dest, 3, 1), (std::vector<uint8_t>{254, 254, 254, 254})) << "alpha " << a;
    }
    // The 16-bit-alpha variants copy the source exactly at 256.
    fill(dest, 0, 0, 0, 0);
    src.ColorAlphaMMX(0, 0, 4, 2, 0, 0, dest, 256);
    EXPECT_EQ(bytes_of(dest, 0, 0), (std::vector<uint8_t>{255, 255, 255, 255}));

    // Alpha 0 leaves the destination as it is in ColorAlpha and in the variants.
    fill(src, 255, 255, 255, 255);
    fill(dest, 7, 8, 9, 10);
    src.ColorAlpha(0, 0, 4, 2, 0, 0, dest, 0);
    src.ColorAlphaMMX(0, 0, 4, 2, 0, 0, dest, 0);
    src.ColorKeyAlpha(0, 0, 4, 2, 0, 0, dest, kNoKey, 0);
    EXPECT_EQ(bytes_of(dest, 2, 1), (std::vector<uint8_t>{7, 8, 9, 10}));
}

TEST(BlitColorKey, KeyComparedWithoutRedBlueExchangeAndFourthByteIgnored) {
    TLumarix src, dest;
    src.SetSize(3, 1);
    dest.SetSize(3, 1);
    set_px(src, 0, 0, 255, 0, 0, 0);   // blue 255: matches the key 0x0000FF as given
    set_px(src, 1, 0, 0, 0, 255, 9);   // pure red: copied
    set_px(src, 2, 0, 255, 0, 0, 77);  // key in blue, green, red, other fourth byte: still a key pixel
    fill(dest, 1, 2, 3, 4);
    src.ColorKey(0, 0, 3, 1, 0, 0, dest, 0x0000FF);
    EXPECT_EQ(bytes_of(dest, 0, 0), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(bytes_of(dest, 1, 0), (std::vector<uint8_t>{0, 0, 255, 0}));  // fourth byte set to 0
    EXPECT_EQ(bytes_of(dest, 2, 0), (std::vector<uint8_t>{1, 2, 3, 4}));

    // The key blends skip the same pixels; ColorKeyAlpha keeps the fourth byte, the MMX twin blends it.
    fill(dest, 100, 100, 100, 100);
    set_px(src, 1, 0, 200, 200, 200, 200);
    src.ColorKeyAlpha(0, 0, 3, 1, 0, 0, dest, 0x0000FF, 128);
    EXPECT_EQ(bytes_of(dest, 0, 0), (std::vector<uint8_t>{100, 100, 100, 100}));
    EXPECT_EQ(bytes_of(dest, 1, 0), (std::vector<uint8_t>{150, 150, 150, 100}));
    fill(dest, 100, 100, 100, 100);
    src.ColorKeyAlphaMMX(0, 0, 3, 1, 0, 0, dest, 0x0000FF, 128);
    EXPECT_EQ(bytes_of(dest, 2, 0), (std::vector<uint8_t>{100, 100, 100, 100}));
    EXPECT_EQ(bytes_of(dest, 1, 0), (std::vector<uint8_t>{150, 150, 150, 150}));

    // A system colour is resolved before the comparison.
    const uint32_t face = lumarix::GetSysColor(lumarix::COLOR_BTNFACE);
    set_px(src, 0, 0, uint8_t(face), uint8_t(face >> 8), uint8_t(face >> 16), 0);
    set_px(src, 1, 0, uint8_t(face + 1), uint8_t(face >> 8), uint8_t(face >> 16), 0);
    fill(dest, 1, 2, 3, 4);
    src.ColorKey(0, 0, 2, 1, 0, 0, dest, lumarix::clBtnFace);
    EXPECT_EQ(bytes_of(dest, 0, 0), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(bytes_of(dest, 1, 0)[0], uint8_t(face + 1));
}

TEST(BlitConstantAlpha, TwoPixelVariantsGiveTheOnePixelBytes) {
    std::mt19937 rng(5);
    TLumarix src, a, b;
    src.SetSize(9, 3);
    a.SetSize(9, 3);
    for (int width : {5, 6, 9}) {
        for (auto variant : {&TLumarix::ColorAlphaMMX64, &TLumarix::ColorAlphaSSE2_64}) {
            SCOPED_TRACE(width);
            fill_random(src, rng);
            fill_random(a, rng);
            b.Assign(a);
            (src.*variant)(1, 0, width, 3, 0, 0, a, 77);
            src.ColorAlphaMMX(1, 0, width, 3, 0, 0, b, 77);
            EXPECT_EQ(snapshot(a), snapshot(b));
        }
    }
}

// One bitmap whose destination lies one pixel right of its source: each two-pixel step reads two
// source and two destination pixels as one unit before it stores both, from the clipped left
// edge, so every step sees only the previous steps' stores. The same bytes at every level.
class TwoPixelOverlapAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(TwoPixelOverlapAt);

TEST_P(TwoPixelOverlapAt, EachStepReadsBothPixelsBeforeStoring) {
    std::mt19937 rng(11);
    for (auto variant : {&TLumarix::ColorAlphaMMX64, &TLumarix::ColorAlphaSSE2_64})
        for (int srcX = 0; srcX < 4; ++srcX)
            for (int width : {2, 8, 30, 64})
                for (uint16_t alpha : {1, 77, 255, 256}) {
                    SCOPED_TRACE(testing::Message() << level() << " srcX " << srcX << " width " << width << " alpha " << alpha);
                    TLumarix b;
                    b.SetSize(72, 2);
                    fill_random(b, rng);
                    std::vector<uint8_t> want = snapshot(b);
                    const size_t stride = want.size() / 2;
                    for (size_t y = 0; y < 2; ++y)
                        for (int k = 0; k < width / 2; ++k) {
                            uint8_t* d = want.data() + y * stride + 4 * size_t(srcX + 1 + 2 * k);
                            const uint8_t* src = want.data() + y * stride + 4 * size_t(srcX + 2 * k);
                            uint8_t sv[8], dv[8];
                            std::copy(src, src + 8, sv);
                            std::copy(d, d + 8, dv);
                            for (int c = 0; c < 8; ++c) d[c] = uint8_t((sv[c] * alpha + dv[c] * (256 - alpha)) >> 8);
                        }
                    (b.*variant)(srcX + 1, 0, width, 2, srcX, 0, b, alpha);
                    ASSERT_EQ(snapshot(b), want);
                }
}

TEST(BlitFrame, ClipsAtTheDestinationAndMovesTheSourceCorner) {
    TLumarix src, dest;
    src.SetSize(40, 4);
    dest.SetSize(10, 4);
    for (int x = 0; x < 40; ++x) set_px(src, x, 0, uint8_t(x), 0, 0, 0);
    fill(dest, 99, 99, 99, 99);
    // Target from column -10, source from column 5: destination column 0 gets source column 15.
    src.ColorKey(-10, 0, 30, 1, 5, 0, dest, kNoKey);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(px(dest, x, 0)[0], 15 + x);
    EXPECT_EQ(px(dest, 0, 1)[0], 99);

    // Wholly outside: nothing changes.
    const auto before = snapshot(dest);
    src.ColorAlphaMMX(-30, 0, 30, 4, 0, 0, dest, 256);
    src.ColorAlphaMMX(10, 0, 5, 4, 0, 0, dest, 256);
    src.ColorAlphaMMX(0, -4, 5, 4, 0, 0, dest, 256);
    EXPECT_EQ(snapshot(dest), before);
}

// Inputs the routines do not promise results for: they must stay inside the bitmaps (checked
// by AddressSanitizer in the asan build) and leave the pixels without a source unchanged.
TEST(BlitFrame, SourceOutsideTheSourceAndEmptySizesDrawOnlyWhatExists) {
    TLumarix src, dest;
    src.SetSize(4, 4);
    dest.SetSize(8, 8);
    fill(src, 10, 20, 30, 0);
    fill(dest, 1, 1, 1, 1);
    // Source rectangle hanging over every edge of the source.
    src.ColorKey(0, 0, 8, 8, -2, -2, dest, kNoKey);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
            EXPECT_EQ(px(dest, x, y)[0], inside ? 10 : 1) << x << "," << y;
        }
    // Zero sizes, and negative ones that the clipping rule lets through (a right end inside the
    // destination), draw nothing in any routine.
    const auto before = snapshot(dest);
    for (int w : {0, -1, -3}) {
        src.ColorAlphaMMX(5, 0, w, 3, 0, 0, dest, 200);
        src.ColorAlphaSSE2_64(5, 0, w, 3, 0, 0, dest, 200);
        src.ColorKeyAlphaMMX(0, 5, 3, w, 0, 0, dest, kNoKey, 200);
        src.ColorAlpha(0, 5, 3, w, 0, 0, dest, 200);
        src.ColorKey(5, 5, w, w, 0, 0, dest, kNoKey);
    }
    EXPECT_EQ(snapshot(dest), before);

    // A destination that is not 32-bit holds fewer 4-byte pixels per row than its width.
    TBitmap narrow;
    narrow.SetSize(5, 2);
    narrow.SetPixelFormat(lumarix::TPixelFormat::pf8bit);
    src.ColorAlphaMMX(0, 0, 4, 2, 0, 0, narrow, 256);
    EXPECT_EQ(narrow.ScanLine(0)[0], 10);  // the one whole 4-byte pixel of the 8-byte row
}

}  // namespace
