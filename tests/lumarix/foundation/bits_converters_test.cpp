// The byte bit functions and the converters that build masks and transition maps.
#include "lumarix/foundation/foundation_support.h"

#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <bitset>
#include <random>

using namespace lumarix;
using namespace foundation;

TEST(BitFunctions, WorkedExamples) {
    EXPECT_EQ(getbit(0x80, 0), 1);
    EXPECT_EQ(getbit(0x80, 7), 0);
    EXPECT_EQ(setbit(0x00, 7, 1), 0x01);
    EXPECT_EQ(setbit(0xFF, 3, 0), 0xFF);
    EXPECT_EQ(getbit(0xFF, 8), 0);
    EXPECT_EQ(getbit(0x01, 32 + 7), 1);  // the index counts modulo 32
    EXPECT_EQ(setbit(0x00, 0, 3), 0x80);  // bits shifted out of the byte are dropped
    EXPECT_EQ(setbit(0x00, 6, 3), 0x06);  // a bit argument above 1 sets further bits
}

TEST(BitFunctions, ExhaustiveOverValueIndexAndBit) {
    // Model: index i (mod 32) names bit 7 - i, most significant first; past bit 0 there is none.
    for (int value = 0; value < 256; ++value)
        for (int index = 0; index < 256; ++index) {
            const int i = index % 32;
            const std::bitset<8> bits(value);
            const int want = i < 8 ? int(bits[size_t(7 - i)]) : 0;
            const int got = getbit(uint8_t(value), uint8_t(index));
            if (got != want) FAIL() << "getbit(" << value << ", " << index << ") = " << got << ", want " << want;
            for (int bit = 0; bit < 256; ++bit) {
                const int set = i < 8 ? (value | (bit << (7 - i))) & 0xFF : value;
                const int r = setbit(uint8_t(value), uint8_t(index), uint8_t(bit));
                if (r != set)
                    FAIL() << "setbit(" << value << ", " << index << ", " << bit << ") = " << r << ", want " << set;
            }
        }
}

TEST(Convert24Ato32, TakesColourBytesAndTheMaskBlueAsFourthByte) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 12);
        SCOPED_TRACE(testing::Message() << w << "x" << h << " seed " << seed);
        TBitmap colour, mask;
        colour.SetPixelFormat(TPixelFormat::pf24bit);
        colour.SetSize(w, h);
        mask.SetPixelFormat(seed % 2 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit);  // converted to 24
        mask.SetSize(w + int(rng() % 3), h + int(rng() % 3));  // a larger mask is fine
        const int maskBpp = mask.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3 * w; ++x) colour.ScanLine(y)[x] = uint8_t(rng());
        for (int y = 0; y < mask.Height(); ++y)
            for (int x = 0; x < mask.Width() * maskBpp; ++x) mask.ScanLine(y)[x] = uint8_t(rng());
        const Snapshot colourBefore = Snap(colour);
        const Snapshot maskBefore = Snap(mask);

        TBitmap result;
        Convert24Ato32(colour, mask, result);
        ASSERT_EQ(result.Width(), w);
        ASSERT_EQ(result.Height(), h);
        ASSERT_EQ(result.PixelFormat(), TPixelFormat::pf32bit);
        ASSERT_EQ(colour.PixelFormat(), TPixelFormat::pf32bit);
        ASSERT_EQ(mask.PixelFormat(), TPixelFormat::pf24bit);
        const size_t maskRow = size_t(mask.Width()) * size_t(maskBpp);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* c = colourBefore.pixels.data() + size_t(y) * 3 * size_t(w) + 3 * size_t(x);
                const uint8_t* r = result.ScanLine(y) + 4 * x;
                const uint8_t maskBlue = maskBefore.pixels[size_t(y) * maskRow + size_t(maskBpp * x)];
                ASSERT_EQ(r[0], c[0]);
                ASSERT_EQ(r[1], c[1]);
                ASSERT_EQ(r[2], c[2]);
                ASSERT_EQ(r[3], maskBlue) << "pixel " << x << "," << y;
            }
    }

    // Only the mask's blue byte counts.
    TBitmap colour, mask, result;
    colour.SetSize(2, 1);
    mask.SetSize(2, 1);
    const uint8_t bytes[6] = {200, 1, 2, 200, 255, 255};
    std::memcpy(mask.ScanLine(0), bytes, 6);
    Convert24Ato32(colour, mask, result);
    EXPECT_EQ(result.ScanLine(0)[3], 200);
    EXPECT_EQ(result.ScanLine(0)[7], 200);
}

TEST(Convert24Ato32, EmptyAndTooSmallMasks) {
    TBitmap colour, mask, result;
    Convert24Ato32(colour, mask, result);
    EXPECT_EQ(result.Width(), 0);
    EXPECT_EQ(result.PixelFormat(), TPixelFormat::pf32bit);

    // A mask with fewer rows than the colour picture meets the row-access error.
    colour.SetSize(4, 3);
    mask.SetSize(4, 2);
    EXPECT_THROW(Convert24Ato32(colour, mask, result), EInvalidGraphicOperation);
    // A narrower one is outside the contract; it must not read past the mask's rows.
    mask.SetSize(2, 3);
    EXPECT_NO_THROW(Convert24Ato32(colour, mask, result));
}

TEST(Convert24Ato8, TakesTheBlueByteAsIndex) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 12);
        SCOPED_TRACE(testing::Message() << w << "x" << h << " seed " << seed);
        TBitmap source, result;
        source.SetPixelFormat(TPixelFormat::pf32bit);  // converted to 24 bits first
        source.SetSize(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 4 * w; ++x) source.ScanLine(y)[x] = uint8_t(rng());
        const Snapshot before = Snap(source);
        Convert24Ato8(source, result);
        ASSERT_EQ(source.PixelFormat(), TPixelFormat::pf24bit);
        ASSERT_EQ(result.PixelFormat(), TPixelFormat::pf8bit);
        ASSERT_EQ(result.Width(), w);
        ASSERT_EQ(result.Height(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(result.ScanLine(y)[x], before.pixels[(size_t(y) * size_t(w) + size_t(x)) * 4]);
    }
    TBitmap empty, result;
    Convert24Ato8(empty, result);
    EXPECT_EQ(result.Width(), 0);
}

// One bitmap in several roles gives the bytes that distinct bitmaps with its pixels give.
TEST(Converters, SharedRolesMatchDistinctBitmaps) {
    std::mt19937 rng(7);
    auto picture = [&](TBitmap& b, int w, int h) {
        b.SetPixelFormat(TPixelFormat(rng() % 3));
        b.SetSize(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < b.RowStride(); ++x) b.ScanLine(y)[x] = uint8_t(rng());
    };
    for (int round = 0; round < 120; ++round) {
        const int w = 1 + int(rng() % 9), h = 1 + int(rng() % 5), roles = round % 4;
        TBitmap a, other, copy, copy2, want;
        picture(a, w, h);
        picture(other, w + 1, h);
        copy.Assign(a);
        copy2.Assign(a);
        SCOPED_TRACE(testing::Message() << "round " << round);
        if (roles == 0) Convert24Ato32(a, a, other), Convert24Ato32(copy, copy2, want), a.Assign(other);
        if (roles == 1) Convert24Ato32(other, a, a), Convert24Ato32(other, copy, want);
        if (roles == 2) Convert24Ato32(a, a, a), Convert24Ato32(copy, copy2, want);
        if (roles == 3) Convert24Ato8(a, a), Convert24Ato8(copy, want);
        EXPECT_EQ(Snap(a), Snap(want));
    }
}
