// TLumarix: the 32-bit invariant, pixel get/put, the fill, and RoundByte.
#include "lumarix/foundation/foundation_support.h"

#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

using namespace lumarix;
using namespace foundation;

TEST(TLumarixInvariant, ThirtyTwoBitsAfterEveryOperationThatForcesIt) {
    TLumarix b;
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);

    const auto reset = [&] { b.SetPixelFormat(TPixelFormat::pf24bit); };
    reset();
    b.SetSize(5, 3);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 3);
    reset();
    b.SetSizeP(TPoint{4, 7});
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Height(), 7);
    reset();
    b.Zero();
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    reset();
    b.Do32();
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);

    for (const char* file : {"pal1.bmp", "pal4_rle4.bmp", "pal8.bmp", "rgb16_565_bitfields.bmp", "rgb24.bmp", "rgb32.bmp"}) {
        SCOPED_TRACE(file);
        reset();
        b.LoadFromFile(BmpPath("good", file));
        EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
        reset();
        std::ifstream in(BmpPath("good", file), std::ios::binary);
        b.LoadFromStream(in);
        EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    }
    for (TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TBitmap source;
        source.SetPixelFormat(format);
        source.SetSize(3, 2);
        reset();
        b.Assign(source);
        EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
        EXPECT_EQ(b.Width(), 3);
    }

    // Setting the width, height or format alone does not restore it.
    b.SetPixelFormat(TPixelFormat::pf24bit);
    b.SetWidth(9);
    b.SetHeight(9);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);

    // A failed load leaves the format as it was.
    EXPECT_THROW(b.LoadFromFile(BmpPath("bad", "pixels_truncated_24.bmp")), EInvalidGraphic);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_THROW(b.LoadFromFile(BmpPath("bad", "missing.bmp")), EFileError);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
}

TEST(TLumarixInvariant, LoadingATwentyFourBitFileKeepsSizeAndPicture) {
    TLumarix b;
    b.LoadFromFile(BmpPath("good", "rgb24.bmp"));
    ASSERT_EQ(b.Width(), kW);
    ASSERT_EQ(b.Height(), kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            TColor c;
            b.GetColor(x, y, c);
            const Rgb want = PictureRgb(x, y);
            ASSERT_EQ(c, want.r + want.g * 256 + want.b * 65536) << "pixel " << x << "," << y;
        }
}

TEST(TLumarixPixels, FillPutAndGet) {
    TLumarix b;
    b.SetSize(6, 4);
    b.FillBMP(255, 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            ASSERT_EQ(Pixel32(b, x, y), 0x00FF0000u);  // bytes 0x00, 0x00, 0xFF, 0x00
            TColor c = -1;
            b.GetColor(x, y, c);
            ASSERT_EQ(c, 0x0000FF);
        }

    b.ScanLine(2)[4 * 3 + 3] = 0xAB;
    b.PutColor(3, 2, 51 | 102 << 8 | 153 << 16 | 0x7F << 24);  // the high byte is ignored
    const uint8_t* p = b.ScanLine(2) + 12;
    EXPECT_EQ(p[0], 153);
    EXPECT_EQ(p[1], 102);
    EXPECT_EQ(p[2], 51);
    EXPECT_EQ(p[3], 0xAB);  // the fourth byte is kept
    uint8_t r, g, bl;
    b.GetRGB(3, 2, r, g, bl);
    EXPECT_EQ(r, 51);
    EXPECT_EQ(g, 102);
    EXPECT_EQ(bl, 153);
    b.PutColor(0, 0, clBtnFace);  // a system colour is not resolved: its low bytes are written
    TColor c;
    b.GetColor(0, 0, c);
    EXPECT_EQ(c, clBtnFace & 0xFFFFFF);

    b.PutRGB(5, 3, 1, 2, 3);
    EXPECT_EQ(Pixel32(b, 5, 3) & 0xFFFFFF, 0x010203u);
    EXPECT_THROW(b.PutRGB(0, 4, 1, 2, 3), EInvalidGraphicOperation);
    EXPECT_THROW(b.GetColor(0, -1, c), EInvalidGraphicOperation);

    // The fill writes a fourth byte of 0 and covers every pixel of random sizes.
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        std::mt19937 rng(seed);
        TLumarix f;
        f.SetSize(1 + int(rng() % 50), 1 + int(rng() % 20));
        for (int y = 0; y < f.Height(); ++y) std::fill_n(f.ScanLine(y), f.RowStride(), uint8_t(0xEE));
        const uint8_t red = uint8_t(rng()), green = uint8_t(rng()), blue = uint8_t(rng());
        f.FillBMP(red, green, blue);
        for (int y = 0; y < f.Height(); ++y)
            for (int x = 0; x < f.Width(); ++x)
                ASSERT_EQ(Pixel32(f, x, y), blue | green << 8 | uint32_t(red) << 16) << "seed " << seed;
    }

    // Empty bitmaps are left alone.
    TLumarix empty;
    EXPECT_NO_THROW(empty.FillBMP(1, 2, 3));
    empty.SetSize(5, 0);
    EXPECT_NO_THROW(empty.FillBMP(1, 2, 3));
    empty.SetSize(0, 5);
    EXPECT_NO_THROW(empty.FillBMP(1, 2, 3));
}

TEST(RoundByte, ClampsToAByte) {
    EXPECT_EQ(RoundByte(-5), 0);
    EXPECT_EQ(RoundByte(0), 0);
    EXPECT_EQ(RoundByte(200), 200);
    EXPECT_EQ(RoundByte(255), 255);
    EXPECT_EQ(RoundByte(256), 255);
    EXPECT_EQ(RoundByte(INT32_MIN), 0);
    EXPECT_EQ(RoundByte(INT32_MAX), 255);
    for (int v = -1000; v <= 1000; ++v) ASSERT_EQ(RoundByte(v), v < 0 ? 0 : v > 255 ? 255 : v) << v;
}
