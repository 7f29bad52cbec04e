// Known answers of the rectangle fills, the alpha copy and the light arithmetic.
#include "blit_test_util.h"

#include <gtest/gtest.h>

namespace {

using namespace blit_test;
using Px = std::vector<uint8_t>;

TEST(BlitRectangle, KnownAnswers) {
    TLumarix b;
    b.SetSize(3, 2);
    // alpha 255 lays the colour on exactly and keeps the fourth byte.
    fill(b, 9, 9, 9, 77);
    b.RectAngleAlpha(0, 0, 3, 2, 0x336699, 255);  // red 0x99, green 0x66, blue 0x33
    EXPECT_EQ(bytes_of(b, 2, 1), (Px{0x33, 0x66, 0x99, 77}));
    // alpha 0 still mixes in 1/256 of the colour: 200 under colour 0 becomes 199.
    fill(b, 200, 200, 200, 77);
    b.RectAngleAlpha(0, 0, 3, 2, 0x000000, 0);
    EXPECT_EQ(bytes_of(b, 0, 0), (Px{199, 199, 199, 77}));
    // RectAngleAlpha at 127 and the MMX twin at 128: 200 under 50 gives 125. The twin blends the
    // fourth byte toward 0: (200·128) >> 8 = 100.
    fill(b, 200, 200, 200, 200);
    b.RectAngleAlpha(0, 0, 3, 2, 0x323232, 127);
    EXPECT_EQ(bytes_of(b, 1, 0), (Px{125, 125, 125, 200}));
    fill(b, 200, 200, 200, 200);
    b.RectAngleAlphaMMX(0, 0, 3, 2, 0x323232, 128);
    EXPECT_EQ(bytes_of(b, 1, 0), (Px{125, 125, 125, 100}));
    // The MMX twin at 0 leaves the pixels; at 255 the colour byte 255 over 0 gives 254.
    fill(b, 0, 10, 20, 30);
    b.RectAngleAlphaMMX(0, 0, 3, 2, 0xFFFFFF, 0);
    EXPECT_EQ(bytes_of(b, 0, 1), (Px{0, 10, 20, 30}));
    b.RectAngleAlphaMMX(0, 0, 3, 2, 0xFFFFFF, 255);
    EXPECT_EQ(bytes_of(b, 0, 1)[0], 254);
    // Pure red in the framework's colour form fills the red bytes.
    fill(b, 0, 0, 0, 0);
    b.RectAngleAlpha(0, 0, 3, 2, 0x0000FF, 255);
    EXPECT_EQ(bytes_of(b, 0, 0), (Px{0, 0, 255, 0}));
    // A system colour is resolved first.
    const uint32_t face = lumarix::GetSysColor(lumarix::COLOR_BTNFACE);
    b.RectAngleAlpha(0, 0, 3, 2, lumarix::clBtnFace, 255);
    EXPECT_EQ(bytes_of(b, 0, 0), (Px{uint8_t(face >> 16), uint8_t(face >> 8), uint8_t(face), 0}));
}

TEST(BlitRectangle, TwinsMeetOneStepApart) {
    TLumarix a, b;
    a.SetSize(256, 1);
    for (int alpha = 0; alpha < 255; ++alpha) {
        for (int x = 0; x < 256; ++x) set_px(a, x, 0, uint8_t(x), uint8_t(255 - x), uint8_t(x ^ 0x55), 0);
        b.Assign(a);
        a.RectAngleAlpha(0, 0, 256, 1, 0x4080C0, uint8_t(alpha));
        b.RectAngleAlphaMMX(0, 0, 256, 1, 0x4080C0, uint8_t(alpha + 1));
        for (int x = 0; x < 256; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(px(a, x, 0)[c], px(b, x, 0)[c]) << "alpha " << alpha << " x " << x << " channel " << c;
    }
}

TEST(BlitRectangle, ClipsToTheBitmap) {
    TLumarix b;
    b.SetSize(4, 4);
    fill(b, 0, 0, 0, 0);
    b.RectAngleAlphaMMX(-2, 2, 4, 10, 0xFFFFFF, 128);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(px(b, x, y)[0], (x < 2 && y >= 2) ? 127 : 0) << x << "," << y;
    const auto before = snapshot(b);
    b.RectAngleAlpha(4, 0, 3, 3, 0xFFFFFF, 255);
    b.RectAngleAlpha(0, -3, 3, 3, 0xFFFFFF, 255);
    b.RectAngleAlpha(1, 1, 0, 3, 0xFFFFFF, 255);
    EXPECT_EQ(snapshot(b), before);
    TLumarix empty;
    empty.RectAngleAlpha(0, 0, 3, 3, 0xFFFFFF, 255);  // nothing to draw on
}

TEST(BlitCopyAlpha, CarriesTheFourthByte) {
    TLumarix src, dest;
    src.SetSize(2, 1);
    dest.SetSize(2, 1);
    set_px(src, 0, 0, 10, 20, 30, 0);     // opaque
    set_px(src, 1, 0, 255, 255, 255, 255);  // fully transparent: weight 1
    fill(dest, 0, 0, 0, 90);
    src.CopyAlpha32(0, 0, 2, 1, 0, 0, dest, 256);
    EXPECT_EQ(bytes_of(dest, 0, 0), (Px{10, 20, 30, 0}));
    EXPECT_EQ(bytes_of(dest, 1, 0), (Px{0, 0, 0, 90}));  // (255·1 + 0·255) >> 8, (255 + 90·255) >> 8
    set_px(dest, 1, 0, 255, 255, 255, 255);
    src.CopyAlpha32(1, 0, 1, 1, 1, 0, dest, 256);
    EXPECT_EQ(bytes_of(dest, 1, 0), (Px{255, 255, 255, 255}));
    // Half the alpha: k = (256·128) >> 8 = 128.
    fill(dest, 100, 100, 100, 100);
    set_px(src, 0, 0, 200, 200, 200, 0);
    src.CopyAlpha32(0, 0, 1, 1, 0, 0, dest, 128);
    EXPECT_EQ(bytes_of(dest, 0, 0), (Px{150, 150, 150, 50}));
}

TEST(BlitLight, AddAndSubtractKnownAnswers) {
    TLumarix src, dest;
    src.SetSize(1, 1);
    dest.SetSize(1, 1);
    auto run = [&](uint8_t s, uint8_t d, auto method, uint16_t level) {
        fill(src, s, s, s, s);
        fill(dest, d, d, d, d);
        (src.*method)(0, 0, 1, 1, 0, 0, dest, level);
        return px(dest, 0, 0)[3];  // the fourth byte is treated like the others
    };
    for (auto add : {&TLumarix::ColorAdd, &TLumarix::ColorAddMMX}) {
        EXPECT_EQ(run(200, 200, add, 128), 255);
        EXPECT_EQ(run(200, 20, add, 128), 120);
        EXPECT_EQ(run(200, 20, add, 256), 220);
        EXPECT_EQ(run(200, 20, add, 0), 20);
        EXPECT_EQ(run(255, 0, add, 257), 255);
    }
    for (auto sub : {&TLumarix::ColorSub, &TLumarix::ColorSubMMX}) {
        EXPECT_EQ(run(200, 150, sub, 128), 50);
        EXPECT_EQ(run(200, 100, sub, 128), 0);
        EXPECT_EQ(run(100, 250, sub, 256), 150);
    }
    // Beyond 257 only the plain twins are defined: the scaled source is limited to 255.
    EXPECT_EQ(run(255, 0, &TLumarix::ColorAdd, 300), 255);
    EXPECT_EQ(run(1, 0, &TLumarix::ColorAdd, 65535), 255);
    EXPECT_EQ(run(255, 255, &TLumarix::ColorSub, 300), 0);
    // The MMX twins keep the low 16 bits of the product: 255·300 = 76500 → 10964 >> 8 = 42.
    EXPECT_EQ(run(255, 0, &TLumarix::ColorAddMMX, 300), 42);
}

TEST(BlitLight, EmptyBitmaps) {
    TLumarix empty, dest;
    dest.SetSize(2, 2);
    fill(dest, 5, 5, 5, 5);
    const auto before = snapshot(dest);
    empty.ColorAdd(0, 0, 2, 2, 0, 0, dest, 256);
    empty.ColorSub(0, 0, 2, 2, 0, 0, dest, 256);
    empty.ColorSubMMX(0, 0, 2, 2, 0, 0, dest, 256);
    empty.CopyAlpha32(0, 0, 2, 2, 0, 0, dest, 256);
    EXPECT_EQ(snapshot(dest), before);
    // ColorAddMMX does not test the source: its first row access fails.
    EXPECT_THROW(empty.ColorAddMMX(0, 0, 2, 2, 0, 0, dest, 256), lumarix::EInvalidGraphicOperation);
    EXPECT_EQ(snapshot(dest), before);
    // Into an empty destination nothing is drawn.
    TLumarix src, none;
    src.SetSize(2, 2);
    src.ColorAddMMX(-1, 0, 2, 2, 0, 0, none, 256);
    src.ColorAdd(0, 0, 2, 2, 0, 0, none, 256);
}

}  // namespace
