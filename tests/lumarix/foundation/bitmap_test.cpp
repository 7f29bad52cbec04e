// The framework bitmap: row access and its error, format conversions, resizing and assignment.
#include "lumarix/foundation/foundation_support.h"
#include "lumarix/simd_levels.h"

#include "graphics/pixel_memory.h"

#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>

using namespace lumarix;
using namespace foundation;

namespace {

void FillRandom(TBitmap& b, std::mt19937& rng) {
    const size_t row = size_t(b.Width()) * size_t(TBitmap::BitsPerPixel(b.PixelFormat()) / 8);
    for (int32_t y = 0; y < b.Height(); ++y)
        for (size_t i = 0; i < row; ++i) b.ScanLine(y)[i] = uint8_t(rng());
}

// Colour of pixel (x, y) as bytes blue, green, red, whatever the format.
Rgb ColourAt(const TBitmap& b, int x, int y) {
    const uint8_t* row = b.ScanLine(y);
    switch (b.PixelFormat()) {
        case TPixelFormat::pf8bit: {
            const TPaletteEntry& e = b.Palette()[row[x]];
            return {e.red, e.green, e.blue};
        }
        case TPixelFormat::pf24bit: return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        default: return {row[4 * x + 2], row[4 * x + 1], row[4 * x]};
    }
}

TPalette RandomPalette(std::mt19937& rng) {
    TPalette p;
    for (auto& e : p) e = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    return p;
}

}  // namespace

TEST(BitmapRows, OutsideRowsRaiseTheScanLineErrorWithItsExactMessage) {
    EXPECT_STREQ(kScanLineOutOfRange, "スキャンライン のインデックスが範囲を越えました");
    for (TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit})
        for (int h : {0, 1, 5}) {
            SCOPED_TRACE(testing::Message() << "height " << h << " bpp " << TBitmap::BitsPerPixel(format));
            TBitmap b;
            b.SetPixelFormat(format);
            b.SetSize(7, h);
            for (int32_t y : {-1, h, h + 1, INT32_MIN, INT32_MAX}) {
                try {
                    b.ScanLine(y);
                    ADD_FAILURE() << "row " << y << " accepted";
                } catch (const EInvalidGraphicOperation& e) {
                    EXPECT_STREQ(e.what(), "スキャンライン のインデックスが範囲を越えました");
                }
                const TBitmap& constant = b;
                EXPECT_THROW(constant.ScanLine(y), EInvalidGraphicOperation);
            }
            // Inside, rows are RowStride() apart, top row first, padded to 4 bytes.
            EXPECT_EQ(b.RowStride() % 4, 0);
            EXPECT_GE(b.RowStride(), 7 * TBitmap::BitsPerPixel(format) / 8);
            for (int y = 1; y < h; ++y) EXPECT_EQ(b.ScanLine(y) - b.ScanLine(y - 1), b.RowStride());
        }
}

TEST(BitmapFormats, ConversionsKeepThePicture) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        const int w = 1 + int(rng() % 30), h = 1 + int(rng() % 9);
        SCOPED_TRACE(testing::Message() << w << "x" << h << " seed " << seed);

        // 24 -> 32 -> 24 is lossless.
        TBitmap b;
        b.SetSize(w, h);
        FillRandom(b, rng);
        const Snapshot rgb24 = Snap(b);
        b.SetPixelFormat(TPixelFormat::pf32bit);
        ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(b.ScanLine(y)[4 * x + c], rgb24.pixels[(size_t(y) * size_t(w) + size_t(x)) * 3 + size_t(c)]);
        b.SetPixelFormat(TPixelFormat::pf24bit);
        ASSERT_EQ(Snap(b), rgb24);

        // 8 -> 24 and 8 -> 32 look each index up in the palette.
        TBitmap eight;
        eight.SetPixelFormat(TPixelFormat::pf8bit);
        eight.SetPalette(RandomPalette(rng));
        eight.SetSize(w, h);
        FillRandom(eight, rng);
        for (TPixelFormat to : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
            TBitmap wide;
            wide.Assign(eight);
            wide.SetPixelFormat(to);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const Rgb a = ColourAt(eight, x, y), c = ColourAt(wide, x, y);
                    ASSERT_TRUE(a.r == c.r && a.g == c.g && a.b == c.b) << "pixel " << x << "," << y;
                }
        }

        // 24 / 32 -> 8 picks the nearest palette colour: exact where the palette has the colour.
        for (TPixelFormat from : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
            TBitmap wide;
            wide.Assign(eight);
            wide.SetPixelFormat(from);
            wide.SetPalette(eight.Palette());
            wide.SetPixelFormat(TPixelFormat::pf8bit);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const Rgb a = ColourAt(eight, x, y), c = ColourAt(wide, x, y);
                    ASSERT_TRUE(a.r == c.r && a.g == c.g && a.b == c.b) << "pixel " << x << "," << y;
                }
        }
    }
    // A colour the palette lacks goes to the closest entry (the default palette is a grey ramp).
    TBitmap b;
    b.SetSize(1, 1);
    b.ScanLine(0)[0] = 100, b.ScanLine(0)[1] = 104, b.ScanLine(0)[2] = 108;
    b.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(b.ScanLine(0)[0], 104);
}

// To 8 bits against a plain nearest-colour search, over more colours than the remembered
// answers hold, with a scattered palette and one full of ties (repeated entries, equal distances).
TEST(BitmapFormats, ToEightBitsPicksTheFirstNearestEntry) {
    std::mt19937 rng(11);
    for (bool ties : {true, false}) {
        TPalette palette = RandomPalette(rng);
        if (ties)
            for (auto& e : palette) e = {uint8_t(rng() % 4 * 85), uint8_t(rng() % 3 * 127), uint8_t(rng() % 4 * 85), 0};
        TBitmap b;
        b.SetPalette(palette);
        b.SetSize(256, 300);
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < 3 * b.Width(); ++x) b.ScanLine(y)[x] = uint8_t(y % 2 ? rng() : rng() % 8 * 37);
        const Snapshot wide = Snap(b);
        b.SetPixelFormat(TPixelFormat::pf8bit);
        for (size_t i = 0; i < wide.pixels.size() / 3; ++i) {
            const uint8_t* c = &wide.pixels[3 * i];
            int best = 0, bestDistance = INT_MAX;
            for (int k = 0; k < 256; ++k) {
                const int db = palette[size_t(k)].blue - c[0], dg = palette[size_t(k)].green - c[1];
                const int dr = palette[size_t(k)].red - c[2], d = db * db + dg * dg + dr * dr;
                if (d < bestDistance) best = k, bestDistance = d;
            }
            ASSERT_EQ(b.ScanLine(int(i) / 256)[i % 256], best) << "pixel " << i << (ties ? " with ties" : "");
        }
    }
}

TEST(BitmapAdopt, RefusesSizesFormatsAndBuffersItCannotHold) {
    TBitmap b;
    b.SetSize(3, 2);
    const Snapshot before = Snap(b);
    auto adopt = [&](int32_t w, int32_t h, TPixelFormat f, bool buffer) {
        b.AdoptPixels(w, h, f, buffer ? detail::AllocatePixels(16, true) : nullptr, nullptr);
    };
    // Strides past 2^31 bytes (2^29 pixels at 32 bits), pictures past 1 GiB, negative sizes.
    for (const auto& [w, h] : {std::pair{(1 << 29) + 1, 1}, {INT32_MAX, 1}, {1 << 14, (1 << 14) + 1}, {-1, 1}, {1, -1}})
        EXPECT_THROW(adopt(w, h, TPixelFormat::pf32bit, true), EInvalidGraphicOperation) << w << " x " << h;
    EXPECT_THROW(adopt(1, 1, TPixelFormat(7), true), EInvalidGraphicOperation);
    EXPECT_THROW(adopt(1, 1, TPixelFormat::pf8bit, false), EInvalidGraphicOperation);
    EXPECT_EQ(Snap(b), before);
    adopt(2, 1, TPixelFormat::pf32bit, true);
    EXPECT_EQ(b.RowStride(), 8);
    adopt(0, 5, TPixelFormat::pf24bit, false);
    EXPECT_EQ(b.Height(), 5);
}

TEST(BitmapSize, ResizingKeepsTheOverlapAndAssignCopiesEverything) {
    std::mt19937 rng(7);
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf32bit);
    b.SetSize(6, 4);
    FillRandom(b, rng);
    const Snapshot before = Snap(b);
    b.SetWidth(9);
    b.SetHeight(2);
    ASSERT_EQ(b.Width(), 9);
    ASSERT_EQ(b.Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 6 * 4; ++i) ASSERT_EQ(b.ScanLine(y)[i], before.pixels[size_t(y) * 24 + size_t(i)]);
    b.SetSize(-3, -3);  // negative sizes count as 0
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), EInvalidGraphicOperation);  // past the allocation limit
    b.SetSize(0, 1 << 29);  // no bytes, so allowed: resizing it must not walk its rows
    b.SetSize(0, (1 << 29) - 1);
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(b.Height(), (1 << 29) - 1);
    b.SetPixelFormat(TPixelFormat::pf32bit);

    TBitmap eight;
    eight.SetPixelFormat(TPixelFormat::pf8bit);
    eight.SetPalette(RandomPalette(rng));
    eight.SetSize(5, 3);
    FillRandom(eight, rng);
    TBitmap copy;
    copy.Assign(eight);
    EXPECT_EQ(Snap(copy), Snap(eight));
    copy.ScanLine(0)[0] ^= 1;  // a copy, not a share
    EXPECT_NE(Snap(copy), Snap(eight));
    copy.Assign(copy);
    EXPECT_EQ(copy.Width(), 5);
}

// 24 to 32 bits at every SIMD level: each pixel's blue, green and red with a fourth byte of 0,
// for widths around every step and row padding, and for pictures large enough to be widened in
// their own buffer.
class PixelFormatAt : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(PixelFormatAt);

TEST_P(PixelFormatAt, TwentyFourToThirtyTwoBitsKeepsEveryPixel) {
    std::mt19937 rng(3);
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (int32_t w = 1; w <= 40; ++w) sizes.push_back({w, 3});
    sizes.push_back({1501, 1000});  // 4 MiB and more: widened in its own buffer; padded rows
    for (auto [w, h] : sizes) {
        SCOPED_TRACE(testing::Message() << level() << " size " << w << "x" << h);
        TBitmap b;
        b.SetPixelFormat(TPixelFormat::pf24bit);
        b.SetSize(w, h);
        std::vector<uint8_t> want(size_t(w) * size_t(h) * 4), got(want.size());
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* row = b.ScanLine(y);
            const uint32_t salt = rng();
            for (int64_t i = 0; i < b.RowStride(); ++i) row[i] = uint8_t((uint32_t(i) * 2654435761u + salt) >> 13);
            for (size_t x = 0, at = size_t(y) * size_t(w) * 4; x < size_t(w); ++x, at += 4)
                want[at] = row[3 * x], want[at + 1] = row[3 * x + 1], want[at + 2] = row[3 * x + 2];
        }
        b.SetPixelFormat(TPixelFormat::pf32bit);
        EXPECT_EQ(uintptr_t(b.ScanLine(0)) % 64, 0u);
        for (int32_t y = 0; y < h; ++y) std::memcpy(&got[size_t(y) * size_t(w) * 4], b.ScanLine(y), size_t(w) * 4);
        ASSERT_TRUE(got == want);
    }
}

// Large buffers are handed out again after release: cleared when asked, and growing one keeps
// what it holds.
TEST(PixelMemory, ReusedBuffersAreClearedWhenAskedAndGrowingKeepsTheBytes) {
    for (size_t bytes : {size_t(5) << 20, size_t(9) << 20, size_t(1) << 16}) {
        SCOPED_TRACE(bytes);
        for (size_t round = 0; round < 3; ++round) {
            TPixelBuffer dirty = detail::AllocatePixels(bytes, false);
            std::memset(dirty.get(), 0xA5, bytes);
            dirty.reset();
            TPixelBuffer p = detail::AllocatePixels(bytes, true);
            ASSERT_EQ(uintptr_t(p.get()) % detail::kPixelAlignment, 0u);
            ASSERT_EQ(std::count(p.get(), p.get() + bytes, 0), ptrdiff_t(bytes));
            for (size_t i = 0; i < bytes; ++i) p[i] = uint8_t(i * 131 + i / 4099);
            if (!detail::GrowPixels(p, 2 * bytes + round)) continue;  // heap blocks do not grow
            for (size_t i = 0; i < bytes; ++i) ASSERT_EQ(p[i], uint8_t(i * 131 + i / 4099)) << i;
            std::memset(p.get() + bytes, 0x5A, bytes + round);  // the grown part is writable
        }
    }
}
