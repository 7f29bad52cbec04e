// The sample walks behind SuperTextOut and its layer siblings, fed with synthetic renderings so
// that every sum of samples and every clipping case can be set up exactly.
#include "text/super_sample.h"

#include "lumarix/simd_levels.h"
#include "text/text_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace lumarix::text {
namespace {

// A 32-bit bitmap whose bytes are all `fill`.
void Make32(TBitmap& b, int32_t w, int32_t h, uint8_t fill) {
    b.SetPixelFormat(TPixelFormat::pf32bit);
    b.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y) std::fill_n(b.ScanLine(y), 4 * size_t(w), fill);
}

void SetSample(TBitmap& samples, int32_t x, int32_t y, uint8_t value) { samples.ScanLine(y)[4 * x] = value; }

std::vector<uint8_t> Snapshot(const TBitmap& b) {
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < b.Height(); ++y) bytes.insert(bytes.end(), b.ScanLine(y), b.ScanLine(y) + 4 * b.Width());
    return bytes;
}

// Random samples biased towards paper and ink, the values real renderings are made of.
void RandomSamples(TBitmap& samples, std::mt19937& rng) {
    for (int32_t y = 0; y < samples.Height(); ++y)
        for (int32_t x = 0; x < samples.Width(); ++x) {
            const uint32_t r = rng();
            uint8_t* p = samples.ScanLine(y) + 4 * x;
            p[0] = r % 4 == 0 ? 255 : r % 4 == 1 ? 0 : uint8_t(r >> 8);
            p[1] = uint8_t(r >> 16);  // only blue is a sample
            p[2] = uint8_t(r >> 24);
        }
}

void RandomPixels(TBitmap& b, std::mt19937& rng) {
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < 4 * b.Width(); ++x) b.ScanLine(y)[x] = uint8_t(rng());
}

int SampleSum(const TBitmap& s, int32_t i, int32_t j) {
    return s.ScanLine(2 * j + 1)[8 * i] + s.ScanLine(2 * j + 1)[8 * i + 4] + s.ScanLine(2 * j + 2)[8 * i] +
           s.ScanLine(2 * j + 2)[8 * i + 4];
}

TEST(TextSampleWalk, KnownAnswers) {
    TBitmap samples, dest;
    Make32(samples, 8, 3, 255);
    // Pixel 0: four ink samples; pixel 1: two ink, two paper; pixel 2: one ink; pixel 3: paper.
    for (int x : {0, 1}) SetSample(samples, x, 1, 0), SetSample(samples, x, 2, 0);
    SetSample(samples, 2, 1, 0), SetSample(samples, 3, 1, 0);
    SetSample(samples, 4, 2, 0);
    // Row 0 is never read: ink there must not matter.
    for (int x = 0; x < 8; ++x) SetSample(samples, x, 0, 0);

    Make32(dest, 4, 1, 0);
    for (int x = 0; x < 4; ++x) dest.ScanLine(0)[4 * x + 3] = 77;
    SuperSampleBlend(samples, dest, 0, 0, 4, 1, TextRgb{255, 255, 255});
    const uint8_t* p = dest.ScanLine(0);
    EXPECT_EQ(p[0], 254) << "white ink on black, full coverage";
    // sum 510: a = 128, (0 * 128 + 255 * 128) >> 8 = 127, the floor of the mean of 0 and 255.
    EXPECT_EQ(p[4], 127);
    // sum 765: a = 192, 255 * 64 >> 8 = 63.
    EXPECT_EQ(p[8], 63);
    EXPECT_EQ(p[12], 0) << "paper leaves the pixel";
    for (int x = 0; x < 4; ++x) EXPECT_EQ(p[4 * x + 3], 77) << "fourth byte kept, pixel " << x;

    Make32(dest, 4, 1, 255);
    SuperSampleBlend(samples, dest, 0, 0, 4, 1, TextRgb{0, 0, 0});
    EXPECT_EQ(dest.ScanLine(0)[0], 0) << "black ink on white, full coverage";
    EXPECT_EQ(dest.ScanLine(0)[4], 127);  // (255 * 128) >> 8
    EXPECT_EQ(dest.ScanLine(0)[12], 255);

    // Two ink, two paper between destination 100 and colour 201: floor of the mean, 150.
    Make32(dest, 4, 1, 100);
    SuperSampleBlend(samples, dest, 0, 0, 4, 1, TextRgb{201, 201, 201});
    EXPECT_EQ(dest.ScanLine(0)[4], 150);

    // Layer: colour with transparency sum >> 2; the all-paper pixel keeps every byte.
    Make32(dest, 4, 1, 255);
    SuperSampleLayer(samples, dest, 0, 0, 4, 1, TextRgb{10, 20, 30});
    p = dest.ScanLine(0);
    const uint8_t expected[4][4] = {{30, 20, 10, 0}, {30, 20, 10, 127}, {30, 20, 10, 191}, {255, 255, 255, 255}};
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(p[4 * x + c], expected[x][c]) << "pixel " << x << " byte " << c;

    // Fast layer: anything but 255 is ink, written opaque.
    TBitmap fast;
    Make32(fast, 3, 1, 255);
    SetSample(fast, 1, 0, 254);
    Make32(dest, 3, 1, 200);
    FastSampleLayer(fast, dest, 0, 0, 3, 1, TextRgb{1, 2, 3});
    p = dest.ScanLine(0);
    EXPECT_EQ(p[3], 200);
    EXPECT_EQ(p[4], 3);
    EXPECT_EQ(p[5], 2);
    EXPECT_EQ(p[6], 1);
    EXPECT_EQ(p[7], 0);
    EXPECT_EQ(p[11], 200);
}

// The walks against a point-by-point model on random samples and destinations, at positions
// that put the text inside, across the right and bottom edges and (for SuperTextOut) across the
// left and top edges, where pixels outside the bitmap are dropped; at every SIMD level, with
// rows long enough for whole steps.
class TextSampleLevels : public simd_levels::AtLevel {};

TEST_P(TextSampleLevels, WalkMatchesModelAndClips) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        const int32_t hw = 1 + int32_t(rng() % 40), hh = 1 + int32_t(rng() % 6);
        const int32_t W = 1 + int32_t(rng() % 48), H = 1 + int32_t(rng() % 10);
        const int32_t x = int32_t(rng() % (W + hw + 4)) - hw - 2;
        const int32_t y = int32_t(rng() % (H + hh + 4)) - hh - 2;
        const TextRgb colour{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        SCOPED_TRACE(testing::Message() << "seed " << seed << " text " << hw << "x" << hh << " at " << x << ","
                                        << y << " on " << W << "x" << H);
        TBitmap samples, dest;
        Make32(samples, 2 * hw + 1, 2 * hh + 1, 255);
        RandomSamples(samples, rng);
        Make32(dest, W, H, 0);
        RandomPixels(dest, rng);
        const std::vector<uint8_t> before = Snapshot(dest);

        SuperSampleBlend(samples, dest, x, y, hw, hh, colour);
        const std::vector<uint8_t> after = Snapshot(dest);
        for (int32_t py = 0; py < H; ++py)
            for (int32_t px = 0; px < W; ++px) {
                const size_t o = 4 * (size_t(py) * W + px);
                const int32_t i = px - x, j = py - y;
                const bool inside = i >= 0 && i < hw && j >= 0 && j < hh;
                const unsigned a = inside ? unsigned(SampleSum(samples, i, j) >> 2) + 1 : 256;
                const uint8_t want[4] = {uint8_t((before[o] * a + colour.blue * (256 - a)) >> 8),
                                         uint8_t((before[o + 1] * a + colour.green * (256 - a)) >> 8),
                                         uint8_t((before[o + 2] * a + colour.red * (256 - a)) >> 8), before[o + 3]};
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(after[o + c], want[c]) << "pixel " << px << "," << py << " byte " << c;
            }
    }
}

// Every text kernel of the level against its scalar model on random rows, coverage biased to
// paper and ink.
TEST_P(TextSampleLevels, KernelsMatchScalarModels) {
    const text::TextKernels& fast = text::best_text_kernels();
    const text::TextKernels& plain = text::scalar_text_kernels();
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        const int32_t n = int32_t(rng() % 70);
        const uint32_t colour = rng() & 0xFFFFFF;
        std::vector<uint8_t> cover(2 * size_t(n) + 1), lower(cover.size()), dest(4 * size_t(n) + 1);
        for (auto* row : {&cover, &lower})
            for (uint8_t& v : *row) v = rng() % 3 == 0 ? 0 : rng() % 3 == 0 ? 255 : uint8_t(rng());
        for (uint8_t& v : dest) v = uint8_t(rng());
        std::vector<uint8_t> want(n + 1, 7), got(n + 1, 7);
        plain.reduce(cover.data(), lower.data(), want.data(), n);
        fast.reduce(cover.data(), lower.data(), got.data(), n);
        ASSERT_EQ(got, want) << level() << " reduce, n " << n;
        for (auto kernel : {&text::TextKernels::super_blend, &text::TextKernels::layer, &text::TextKernels::fast_layer,
                            &text::TextKernels::coverage_blend}) {
            std::vector<uint8_t> a = dest, b = dest;
            (plain.*kernel)(cover.data(), a.data(), n, colour);
            (fast.*kernel)(cover.data(), b.data(), n, colour);
            ASSERT_EQ(b, a) << level() << " round " << round << ", n " << n;
        }
    }
}

LUMARIX_AT_EVERY_LEVEL(TextSampleLevels);

// The layer walks write columns inside the bitmap only; a row outside it ends the walk with the
// row access error after the rows before it were written.
TEST(TextSampleWalk, LayerWalksClipColumnsAndStopAtMissingRows) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        const int32_t hw = 1 + int32_t(rng() % 12), hh = 1 + int32_t(rng() % 6);
        const int32_t W = 1 + int32_t(rng() % 16), H = 1 + int32_t(rng() % 10);
        const int32_t x = int32_t(rng() % (W + hw + 4)) - hw - 2;
        const int32_t y = int32_t(rng() % (H + 2)) - 1;
        const bool fast = seed % 2 == 0;
        const int32_t cols = fast ? 2 * hw : hw, rows = fast ? 2 * hh : hh;
        SCOPED_TRACE(testing::Message() << "seed " << seed << (fast ? " fast" : " super") << " text " << cols << "x"
                                        << rows << " at " << x << "," << y << " on " << W << "x" << H);
        TBitmap samples, dest;
        Make32(samples, 2 * hw + 2, 2 * hh + 2, 255);
        RandomSamples(samples, rng);
        Make32(dest, W, H, 0);
        RandomPixels(dest, rng);
        const std::vector<uint8_t> before = Snapshot(dest);
        const TextRgb colour{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};

        const bool rowsInside = y >= 0 && int64_t(y) + rows <= H;
        try {
            if (fast)
                FastSampleLayer(samples, dest, x, y, cols, rows, colour);
            else
                SuperSampleLayer(samples, dest, x, y, hw, hh, colour);
            EXPECT_TRUE(rowsInside) << "a missing row must raise the row access error";
        } catch (const EInvalidGraphicOperation&) {
            EXPECT_FALSE(rowsInside);
        }
        const std::vector<uint8_t> after = Snapshot(dest);
        for (int32_t py = 0; py < H; ++py)
            for (int32_t px = 0; px < W; ++px) {
                const size_t o = 4 * (size_t(py) * W + px);
                const int32_t i = px - x, j = py - y;
                bool ink = false;
                // A walk starting above the bitmap fails at its first row and writes nothing.
                if (y >= 0 && i >= 0 && i < cols && j >= 0 && j < rows) {
                    const int v = fast ? samples.ScanLine(j)[4 * i] : SampleSum(samples, i, j);
                    ink = fast ? v != 255 : v != 1020;
                }
                uint8_t want[4] = {before[o], before[o + 1], before[o + 2], before[o + 3]};
                if (ink) {
                    want[0] = colour.blue, want[1] = colour.green, want[2] = colour.red;
                    want[3] = fast ? 0 : uint8_t(SampleSum(samples, i, j) >> 2);
                }
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(after[o + c], want[c]) << "pixel " << px << "," << py << " byte " << c;
            }
    }
}

TEST(TextSampleWalk, RefusesWrongFormatsAndShortSamples) {
    TBitmap samples, dest;
    Make32(samples, 4, 3, 0);
    dest.SetPixelFormat(TPixelFormat::pf24bit);
    dest.SetSize(4, 2);
    for (int32_t y = 0; y < 2; ++y) std::fill_n(dest.ScanLine(y), dest.RowStride(), uint8_t(9));
    SuperSampleBlend(samples, dest, 0, 0, 2, 1, TextRgb{});
    SuperSampleLayer(samples, dest, 0, 0, 2, 1, TextRgb{});
    FastSampleLayer(samples, dest, 0, 0, 2, 1, TextRgb{});
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < dest.RowStride(); ++x) ASSERT_EQ(dest.ScanLine(y)[x], 9);

    // Samples smaller than the walk: nothing is read or written.
    Make32(dest, 8, 8, 9);
    const std::vector<uint8_t> before = Snapshot(dest);
    SuperSampleBlend(samples, dest, 0, 0, 3, 1, TextRgb{});
    SuperSampleLayer(samples, dest, 0, 0, 2, 2, TextRgb{});
    FastSampleLayer(samples, dest, 0, 0, 5, 1, TextRgb{});
    EXPECT_EQ(Snapshot(dest), before);
}

}  // namespace
}  // namespace lumarix::text
