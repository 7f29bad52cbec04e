// The drawing surface: lines, rectangle fills, drawing and copying bitmaps, system colours.
#include "lumarix/foundation/foundation_support.h"

#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>

using namespace lumarix;
using namespace foundation;

namespace {

constexpr TColor kInk = 0x123456;

// The pixels of a bitmap that hold `colour`.
std::set<std::pair<int, int>> PixelsOf(TBitmap& b, TColor colour) {
    std::set<std::pair<int, int>> on;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Canvas().Pixel(x, y) == colour) on.insert({x, y});
    return on;
}

}  // namespace

TEST(CanvasLines, CoverTheStartPointButNotTheEndPoint) {
    std::mt19937 rng(99);
    for (int i = 0; i < 300; ++i) {
        const int x0 = int(rng() % 40), y0 = int(rng() % 30), x1 = int(rng() % 40), y1 = int(rng() % 30);
        SCOPED_TRACE(testing::Message() << "(" << x0 << "," << y0 << ") to (" << x1 << "," << y1 << ")");
        TLumarix b;
        b.SetSize(40, 30);
        b.FillBMP(255, 255, 255);
        b.Canvas().Pen.Color = kInk;
        b.Canvas().MoveTo(x0, y0);
        b.Canvas().LineTo(x1, y1);
        EXPECT_EQ(b.Canvas().PenPos().x, x1);
        EXPECT_EQ(b.Canvas().PenPos().y, y1);
        const auto on = PixelsOf(b, kInk);
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        ASSERT_EQ(int(on.size()), steps);  // one pixel per step of the longer axis, end excluded
        if (steps == 0) continue;
        EXPECT_TRUE(on.count({x0, y0}));
        EXPECT_FALSE(on.count({x1, y1}));
        // Every pixel lies within half a pixel of the ideal line.
        for (const auto& [x, y] : on) {
            const double cross = double(x1 - x0) * (y - y0) - double(y1 - y0) * (x - x0);
            EXPECT_LE(std::abs(cross) / std::hypot(x1 - x0, y1 - y0), 0.75) << x << "," << y;
        }
    }

    // Lines that leave the bitmap, or lie far outside it, are clipped.
    TLumarix b;
    b.SetSize(10, 10);
    b.FillBMP(0, 0, 0);
    b.Canvas().Pen.Color = clWhite;
    b.Canvas().MoveTo(-5, 5);
    b.Canvas().LineTo(15, 5);
    EXPECT_EQ(PixelsOf(b, clWhite).size(), 10u);
    b.Canvas().MoveTo(INT32_MIN, INT32_MIN);
    b.Canvas().LineTo(INT32_MAX, INT32_MIN);
    b.Canvas().MoveTo(-1000000, -1000000);
    b.Canvas().LineTo(1000000, 1000000);
    EXPECT_TRUE(PixelsOf(b, clWhite).count({3, 3}));
}

// The clipped line against the full walk: every step of Bresenham's walk stamps a square of
// the pen's width centred on its point, wherever the points lie.
TEST(CanvasLines, MatchTheFullWalkForAnyPenAndDistance) {
    std::mt19937 rng(3);
    for (int i = 0; i < 2000; ++i) {
        const int span = i % 3 == 0 ? 400 : 60;
        const int x0 = int(rng() % span) - span / 3, y0 = int(rng() % span) - span / 3;
        const int x1 = int(rng() % span) - span / 3, y1 = int(rng() % span) - span / 3;
        const int pen = i % 4 == 0 ? 1 + int(rng() % 9) : 1;
        SCOPED_TRACE(testing::Message() << "(" << x0 << "," << y0 << ") to (" << x1 << "," << y1 << ") pen " << pen);
        TLumarix b;
        b.SetSize(23, 17);
        b.FillBMP(255, 255, 255);
        b.Canvas().Pen = {kInk, pen};
        b.Canvas().MoveTo(x0, y0);
        b.Canvas().LineTo(x1, y1);

        std::set<std::pair<int, int>> want;
        const int before = (pen - 1) / 2, dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int x = x0, y = y0, err = dx + dy;
        while (x != x1 || y != y1) {
            for (int j = 0; j < pen; ++j)
                for (int k = 0; k < pen; ++k)
                    if (x - before + k >= 0 && x - before + k < 23 && y - before + j >= 0 && y - before + j < 17)
                        want.insert({x - before + k, y - before + j});
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x += sx;
            if (e2 <= dx) err += dx, y += sy;
        }
        ASSERT_EQ(PixelsOf(b, kInk), want);
    }

    // A line billions of pixels long crosses a 200 x 11 bitmap in row 0 only.
    TLumarix b;
    b.SetSize(200, 11);
    b.FillBMP(255, 255, 255);
    b.Canvas().Pen.Color = kInk;
    b.Canvas().MoveTo(-2000000000, -5);
    b.Canvas().LineTo(2000000000, 5);
    const auto on = PixelsOf(b, kInk);
    ASSERT_EQ(on.size(), 200u);
    EXPECT_EQ(on.begin()->second, 0);
    EXPECT_EQ(on.rbegin()->second, 0);
    // A pen wider than the bitmap, far off its edge, covers all of it.
    b.Canvas().Pen = {clBlack, INT32_MAX};
    b.Canvas().MoveTo(INT32_MIN, INT32_MAX);
    b.Canvas().LineTo(INT32_MAX, INT32_MIN);
    EXPECT_EQ(PixelsOf(b, clBlack).size(), 2200u);
}

TEST(CanvasFillRect, FillsTheClippedRectangleInEveryFormat) {
    std::mt19937 rng(5);
    for (TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit})
        for (int i = 0; i < 60; ++i) {
            TBitmap b;
            b.SetPixelFormat(format);
            b.SetSize(17, 11);
            b.Canvas().Brush.Color = clBlack;
            b.Canvas().FillRect(Rect(0, 0, 17, 11));
            const TRect r = Rect(int(rng() % 30) - 8, int(rng() % 20) - 5, int(rng() % 30) - 8, int(rng() % 20) - 5);
            SCOPED_TRACE(testing::Message() << "bpp " << TBitmap::BitsPerPixel(format) << " rect " << r.Left << ","
                                            << r.Top << "," << r.Right << "," << r.Bottom);
            b.Canvas().Brush.Color = clWhite;
            b.Canvas().FillRect(r);
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 17; ++x) {
                    const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
                    ASSERT_EQ(b.Canvas().Pixel(x, y), inside ? clWhite : clBlack) << x << "," << y;
                }
        }

    TLumarix b;
    b.SetSize(4, 4);
    b.FillBMP(0, 0, 0);
    b.Canvas().Brush.Style = TBrushStyle::bsClear;
    b.Canvas().FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(b.Canvas().Pixel(1, 1), clBlack);
    // A system colour is resolved.
    b.Canvas().Brush = {clBtnFace, TBrushStyle::bsSolid};
    b.Canvas().FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(b.Canvas().Pixel(2, 2), TColor(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(b.Canvas().Pixel(4, 0), -1);
}

TEST(CanvasDraw, CopiesAndConvertsAtAnyOffset) {
    TBitmap src;
    src.SetPixelFormat(TPixelFormat::pf24bit);
    src.SetSize(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) src.Canvas().SetPixel(x, y, TColor(x * 40 + (y * 50 << 8) + (7 << 16)));
    for (int dx = -6; dx <= 10; dx += 2)
        for (int dy = -5; dy <= 8; dy += 3) {
            SCOPED_TRACE(testing::Message() << "at " << dx << "," << dy);
            TLumarix dest;
            dest.SetSize(8, 6);
            dest.FillBMP(1, 1, 1);
            dest.Canvas().Draw(dx, dy, src);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 8; ++x) {
                    const int sx = x - dx, sy = y - dy;
                    const bool covered = sx >= 0 && sx < 5 && sy >= 0 && sy < 4;
                    ASSERT_EQ(dest.Canvas().Pixel(x, y), covered ? src.Canvas().Pixel(sx, sy) : 0x010101)
                        << x << "," << y;
                }
            ASSERT_EQ(dest.PixelFormat(), TPixelFormat::pf32bit);
        }
    // Far-off corners, whose right or bottom edge would pass the 32-bit range, draw nothing.
    TLumarix dest;
    dest.SetSize(8, 6);
    const Snapshot before = Snap(dest);
    for (const auto& [x, y] : {std::pair{INT32_MAX - 2, 0}, {0, INT32_MAX - 1}, {INT32_MIN, INT32_MIN}})
        dest.Canvas().Draw(x, y, src);
    EXPECT_EQ(Snap(dest), before);
}

TEST(CanvasCopyRect, CopiesStretchesAndHandlesOverlap) {
    TLumarix src;
    src.SetSize(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.PutColor(x, y, x + 10 * y);

    TLumarix dest;
    dest.SetSize(8, 8);
    dest.FillBMP(0, 0, 0);
    dest.Canvas().CopyRect(Rect(0, 0, 8, 8), src.Canvas(), Rect(0, 0, 4, 4));  // twice the size
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(dest.Canvas().Pixel(x, y), x / 2 + 10 * (y / 2)) << x << "," << y;

    dest.FillBMP(0, 0, 0);
    dest.Canvas().CopyRect(Rect(2, 3, 4, 5), src.Canvas(), Rect(1, 1, 3, 3));  // same size, moved
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool in = x >= 2 && x < 4 && y >= 3 && y < 5;
            ASSERT_EQ(dest.Canvas().Pixel(x, y), in ? (x - 1) + 10 * (y - 2) : 0) << x << "," << y;
        }

    // Within one bitmap, overlapping areas read the picture as it was before the copy.
    src.Canvas().CopyRect(Rect(1, 0, 4, 4), src.Canvas(), Rect(0, 0, 3, 4));
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(src.Canvas().Pixel(0, y), 10 * y);
        for (int x = 1; x < 4; ++x) ASSERT_EQ(src.Canvas().Pixel(x, y), (x - 1) + 10 * y) << x << "," << y;
    }
}

TEST(SystemColours, LookUpAndResolve) {
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0xFFFFFFu);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), 0x000000u);
#if !defined(_WIN32)
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0xC8D0D4u);  // the classic scheme: 212, 208, 200
    EXPECT_EQ(GetSysColor(-1), 0u);
    EXPECT_EQ(GetSysColor(1000), 0u);
#endif
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0x00ABCDEF);
    for (int i = 0; i <= 30; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ColorToRGB(SysColor(i)), TColor(GetSysColor(i)));
        EXPECT_EQ(ColorToRGB(TColor(0x80000000u | 0x1200u | uint32_t(i))), TColor(GetSysColor(i)));  // value AND 255
    }
    EXPECT_EQ(ColorToRGB(clBtnFace), TColor(GetSysColor(COLOR_BTNFACE)));
}
