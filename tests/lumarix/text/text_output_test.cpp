// SuperTextOut, the layer routines, the StdTextOut effects and MakeColorKeyMask32, drawn with
// DejaVu Sans (fonts-dejavu-core).
//
// Expected pixels come from the coverage the routines themselves report: SuperTextOut_Layer on a
// layer pre-filled with 255 leaves 255 exactly where SuperTextOut leaves the destination
// unchanged and writes 0 exactly where it writes the full colour, so "paper" and "full ink" can
// be told apart without knowing the glyph shapes.
#include <lumarix/Lumarix.h>
#include <lumarix/Lumarixetcs.h>
#include <lumarix/filters32/random.h>

#include <gtest/gtest.h>

#if defined(_WIN32)
#define NOGDI
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <random>
#include <thread>
#include <vector>

namespace lumarix {
namespace {

constexpr int32_t kW = 160, kH = 60;

TFont Dejavu(int32_t size, TColor color, TFontStyles style = {}) {
    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = size;
    font.Color = color;
    font.Style = style;
    return font;
}

// A 32-bit bitmap with every pixel blue, green, red = b, g, r and fourth byte `fourth`.
void Fill(TBitmap& bitmap, int32_t w, int32_t h, uint8_t b, uint8_t g, uint8_t r, uint8_t fourth) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    bitmap.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = bitmap.ScanLine(y) + 4 * x;
            p[0] = b, p[1] = g, p[2] = r, p[3] = fourth;
        }
}

std::vector<uint32_t> Pixels(const TBitmap& bitmap) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            const uint8_t* p = bitmap.ScanLine(y) + 4 * x;
            out.push_back(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
        }
    return out;
}

uint32_t Bgr(uint8_t b, uint8_t g, uint8_t r) { return b | g << 8 | r << 16; }

// The transparency SuperTextOut_Layer writes for the text at (x, y): 255 paper, 0 full ink.
struct Coverage {
    std::vector<uint8_t> t;
    int32_t w, h;
    uint8_t At(int32_t x, int32_t y) const { return x < 0 || y < 0 || x >= w || y >= h ? 255 : t[y * w + x]; }
};

Coverage LayerCoverage(const TFont& font, const std::string& text, int32_t x, int32_t y, int32_t w = kW,
                       int32_t h = kH) {
    TBitmap layer;
    Fill(layer, w, h, 255, 255, 255, 255);
    SuperTextOut_Layer(layer, x, y, font, text);
    Coverage c{{}, w, h};
    for (uint32_t p : Pixels(layer)) c.t.push_back(uint8_t(p >> 24));
    return c;
}

// The area SuperTextOut writes: half the extent of the text at twice the size.
TSize SuperArea(const TFont& font, const std::string& text) {
    TBitmap probe;
    probe.Canvas().Font.Name = font.Name;
    probe.Canvas().Font.Style = font.Style;
    probe.Canvas().Font.Size = 2 * font.Size;
    const TSize e = probe.Canvas().TextExtent(text);
    return TSize{e.cx / 2, e.cy / 2};
}

TEST(TextOutput, EmptyTextChangesNothing) {
    TBitmap bitmap;
    Fill(bitmap, 40, 30, 10, 20, 30, 40);
    const auto before = Pixels(bitmap);
    const TFont font = Dejavu(12, clRed);
    SuperTextOut(bitmap, 2, 2, font, "");
    SuperTextOut_Layer(bitmap, 2, 2, font, "");
    SuperTextOutFast_Layer(bitmap, 2, 2, font, "");
    for (int32_t effect = 0; effect <= 6; ++effect) {
        StdTextOut(effect, 3, 3, "", font, clBlue, bitmap);
        StdTextOut_Layer(effect, 3, 3, "", font, clBlue, bitmap);
        StdTextOutFast_Layer(effect, 3, 3, "", font, clBlue, bitmap);
        StdTextOutFast(effect, 3, 3, "", font, clBlue, bitmap.Canvas());
    }
    EXPECT_EQ(Pixels(bitmap), before);
}

TEST(TextOutput, SuperTextOutInkPaperAndFourthByte) {
    const std::string text = "HIH lumarix";
    for (int32_t size : {9, 16, 30}) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        const TSize area = SuperArea(Dejavu(size, clBlack), text);
        const int32_t x = 5, y = 4;

        // Black on white: full ink gives 0, paper keeps 255, the fourth byte never changes.
        TBitmap bitmap;
        Fill(bitmap, 320, 80, 255, 255, 255, 0x5A);
        SuperTextOut(bitmap, x, y, Dejavu(size, clBlack), text);
        const auto px = Pixels(bitmap);
        size_t ink = 0;
        for (int32_t py = 0; py < 80; ++py)
            for (int32_t pxx = 0; pxx < 320; ++pxx) {
                const uint32_t p = px[py * 320 + pxx];
                ASSERT_EQ(p >> 24, 0x5Au);
                const bool inArea = pxx >= x && pxx < x + area.cx && py >= y && py < y + area.cy;
                if (!inArea) ASSERT_EQ(p, 0x5AFFFFFFu) << "outside the text area at " << pxx << "," << py;
                const uint8_t b = uint8_t(p), g = uint8_t(p >> 8), r = uint8_t(p >> 16);
                ASSERT_TRUE(b == g && g == r) << "black ink gives grey";
                if (b == 0) ++ink;
            }
        EXPECT_GT(ink, 0u) << "the stems of H and I are under full ink";

        // White on black: full ink reaches 254, never 255.
        Fill(bitmap, 320, 80, 0, 0, 0, 0);
        SuperTextOut(bitmap, x, y, Dejavu(size, clWhite), text);
        uint32_t brightest = 0;
        for (uint32_t p : Pixels(bitmap)) brightest = std::max(brightest, p & 0xFF);
        EXPECT_EQ(brightest, 254u);
    }
}

// Text across any edge writes exactly the part of the unclipped drawing that lies inside.
TEST(TextOutput, SuperTextOutClipsAtEveryEdge) {
    const TFont font = Dejavu(14, clNavy);
    const std::string text = "Clip me, please";
    TBitmap big;
    Fill(big, 400, 120, 200, 210, 220, 7);
    const int32_t bx = 100, by = 40;
    SuperTextOut(big, bx, by, font, text);
    const auto reference = Pixels(big);
    const int32_t w = 60, h = 14;
    for (int32_t x : {-150, -40, -3, 0, 20, 55, 59, 60, 300})
        for (int32_t y : {-30, -5, 0, 6, 13, 14}) {
            SCOPED_TRACE(testing::Message() << "at " << x << "," << y);
            TBitmap small;
            Fill(small, w, h, 200, 210, 220, 7);
            SuperTextOut(small, x, y, font, text);
            const auto got = Pixels(small);
            for (int32_t py = 0; py < h; ++py)
                for (int32_t px = 0; px < w; ++px) {
                    const int32_t rx = px - x + bx, ry = py - y + by;
                    const bool inBig = rx >= 0 && rx < 400 && ry >= 0 && ry < 120;
                    ASSERT_EQ(got[py * w + px], inBig ? reference[ry * 400 + rx] : Bgr(200, 210, 220) | 7u << 24)
                        << "pixel " << px << "," << py;
                }
        }
}

// Long, large text on a small bitmap: only what reaches the bitmap is rendered (the peak memory
// stays small), and those pixels are the ones a short prefix of the same text gives.
TEST(TextOutput, LongLargeTextCostsOnlyWhatIsVisible) {
    const auto peakKiB = [] {
#if defined(_WIN32)
        PROCESS_MEMORY_COUNTERS counters{};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
        return int64_t(counters.PeakWorkingSetSize / 1024);
#else
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return int64_t(usage.ru_maxrss);
#endif
    };
    const TFont font = Dejavu(100, clMaroon);
    const std::string text(2000, 'W'), prefix(4, 'W');
    const int64_t before = peakKiB();
    for (int32_t y : {0, -40}) {
        TBitmap full, reference;
        Fill(full, 200, 11, 90, 160, 230, 3);
        Fill(reference, 200, 11, 90, 160, 230, 3);
        SuperTextOut(full, 5, y, font, text);
        SuperTextOut(reference, 5, y, font, prefix);
        EXPECT_EQ(Pixels(full), Pixels(reference)) << "SuperTextOut at y " << y;
        StdTextOut(1, 5, y, text, font, clYellow, full);
        StdTextOut(1, 5, y, prefix, font, clYellow, reference);
        EXPECT_EQ(Pixels(full), Pixels(reference)) << "StdTextOut at y " << y;
    }
    EXPECT_LT(peakKiB() - before, 64 * 1024) << "peak memory grew by more than 64 MiB";
}

// Threads drawing at once share the glyph cache (sizes enough to evict each other's glyphs) and
// get the pixels of drawing alone.
TEST(TextOutput, ThreadsDrawingAtOnceMatchDrawingAlone) {
    const std::string text = "Several threads, one cache";
    auto draw = [&](int32_t size, TBitmap& out) {
        Fill(out, 300, 90, 250, 240, 230, 9);
        const TFont font = Dejavu(size, clBlue, size % 2 ? TFontStyles{fsItalic} : TFontStyles{});
        SuperTextOut(out, 2, 1, font, text);
        out.Canvas().Brush.Style = TBrushStyle::bsClear;
        out.Canvas().Font = font;
        out.Canvas().TextOut(4, 40, text);
    };
    const int32_t sizes[4] = {9, 40, 71, 120};
    std::vector<uint32_t> alone[4];
    for (int t = 0; t < 4; ++t) {
        TBitmap b;
        draw(sizes[t], b);
        alone[t] = Pixels(b);
    }
    bool same[4] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            same[t] = true;
            for (int round = 0; round < 6; ++round) {
                TBitmap b;
                draw(sizes[(t + round) % 4], b);
                same[t] = same[t] && Pixels(b) == alone[(t + round) % 4];
            }
        });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) EXPECT_TRUE(same[t]) << "thread " << t;
}

TEST(TextOutput, LayerRoutinesWriteColourAndTransparency) {
    const std::string text = "Layer text";
    const TColor colour = 0x336699;  // red 0x99, green 0x66, blue 0x33
    const uint32_t bgr = Bgr(0x33, 0x66, 0x99);
    for (int32_t size : {10, 24}) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        // Pre-filled with 255: paper stays 255 in every byte, covered pixels take the colour.
        TBitmap layer;
        Fill(layer, kW, kH, 255, 255, 255, 255);
        SuperTextOut_Layer(layer, 3, 2, Dejavu(size, colour), text);
        const TSize area = SuperArea(Dejavu(size, colour), text);
        size_t opaque = 0, partial = 0;
        const auto px = Pixels(layer);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const uint32_t p = px[y * kW + x];
                if (p == 0xFFFFFFFFu) continue;
                ASSERT_TRUE(x >= 3 && x < 3 + area.cx && y >= 2 && y < 2 + area.cy) << x << "," << y;
                ASSERT_EQ(p & 0xFFFFFF, bgr) << x << "," << y;
                ASSERT_LE(p >> 24, 254u);
                (p >> 24 == 0 ? opaque : partial)++;
            }
        EXPECT_GT(opaque, 0u);
        EXPECT_GT(partial, 0u) << "anti-aliased edges";

        // The Fast layer writes only fully opaque pixels and leaves the rest alone.
        Fill(layer, kW, kH, 1, 2, 3, 100);
        SuperTextOutFast_Layer(layer, 3, 2, Dejavu(size, colour), text);
        size_t written = 0;
        for (uint32_t p : Pixels(layer)) {
            if (p == (Bgr(1, 2, 3) | 100u << 24)) continue;
            ASSERT_EQ(p, bgr) << "colour with fourth byte 0";
            ++written;
        }
        EXPECT_GT(written, 0u);
    }
}

TEST(TextOutput, RefusesBitmapsThatAreNot32Bit) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(50, 20);
    const TFont font = Dejavu(10, clRed);
    SuperTextOut(bitmap, 0, 0, font, "abc");
    SuperTextOut_Layer(bitmap, 0, 0, font, "abc");
    SuperTextOutFast_Layer(bitmap, 0, 0, font, "abc");
    MakeColorKeyMask32(0, 0, 50, 20, bitmap, clWhite);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 150; ++x) ASSERT_EQ(bitmap.ScanLine(y)[x], 255) << x << "," << y;
}

TEST(TextOutput, UnknownEffectsDrawNothing) {
    const TFont font = Dejavu(12, clRed);
    for (int32_t effect : {7, -1, 100, INT32_MIN}) {
        SCOPED_TRACE(testing::Message() << "effect " << effect);
        TBitmap bitmap;
        Fill(bitmap, 80, 30, 9, 8, 7, 6);
        bitmap.Canvas().Brush.Style = TBrushStyle::bsSolid;
        bitmap.Canvas().Font = Dejavu(20, clLime, fsBold);
        const TFont canvasFont = bitmap.Canvas().Font;
        const auto before = Pixels(bitmap);
        StdTextOut(effect, 4, 4, "text", font, clBlue, bitmap);
        StdTextOut_Layer(effect, 4, 4, "text", font, clBlue, bitmap);
        StdTextOutFast_Layer(effect, 4, 4, "text", font, clBlue, bitmap);
        EXPECT_EQ(bitmap.Canvas().Brush.Style, TBrushStyle::bsSolid);
        EXPECT_EQ(bitmap.Canvas().Font, canvasFont);
        StdTextOutFast(effect, 4, 4, "text", font, clBlue, bitmap.Canvas());
        EXPECT_EQ(Pixels(bitmap), before);
        EXPECT_EQ(bitmap.Canvas().Brush.Style, TBrushStyle::bsClear) << "the surface's brush is left clear";
        EXPECT_EQ(bitmap.Canvas().Font, canvasFont) << "and its font as it was";
    }
    // A known effect restores the surface's font as well.
    TBitmap bitmap;
    Fill(bitmap, 80, 30, 0, 0, 0, 0);
    bitmap.Canvas().Font = Dejavu(20, clLime, fsItalic);
    const TFont canvasFont = bitmap.Canvas().Font;
    StdTextOutFast(1, 4, 4, "text", font, clBlue, bitmap.Canvas());
    EXPECT_EQ(bitmap.Canvas().Font, canvasFont);
}

// Effect 2 puts the effect colour two pixels right and down, under the text; effect 6 puts the
// font colour one pixel up-left, under a copy in the effect colour.
TEST(TextOutput, ShadowAndOffsetCopyColours) {
    const std::string text = "Shadow";
    const TColor fontColor = clLime, effectColor = clRed;
    const uint32_t fontPx = Bgr(0, 254, 0), effectPx = Bgr(0, 0, 254);
    for (int32_t size : {12, 20}) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        const TFont font = Dejavu(size, fontColor);
        const int32_t x = 6, y = 5;
        const Coverage c = LayerCoverage(font, text, x, y);
        struct Case {
            int32_t effect, underDx, underDy;
            uint32_t top, under;
        } cases[] = {{2, 2, 2, fontPx, effectPx}, {6, -1, -1, effectPx, fontPx}};
        for (const Case& k : cases) {
            SCOPED_TRACE(testing::Message() << "effect " << k.effect);
            TBitmap bitmap;
            Fill(bitmap, kW, kH, 0, 0, 0, 0);
            StdTextOut(k.effect, x, y, text, font, effectColor, bitmap);
            const auto px = Pixels(bitmap);
            size_t tops = 0, unders = 0, untouched = 0;
            for (int32_t py = 0; py < kH; ++py)
                for (int32_t pxx = 0; pxx < kW; ++pxx) {
                    const uint32_t p = px[py * kW + pxx];
                    const uint8_t main = c.At(pxx, py), under = c.At(pxx - k.underDx, py - k.underDy);
                    if (main == 0) {
                        ASSERT_EQ(p, k.top) << pxx << "," << py;
                        ++tops;
                    } else if (main == 255 && under == 0) {
                        ASSERT_EQ(p, k.under) << pxx << "," << py;
                        ++unders;
                    } else if (main == 255 && under == 255) {
                        ASSERT_EQ(p, 0u) << pxx << "," << py;
                        ++untouched;
                    }
                }
            EXPECT_GT(tops, 0u);
            EXPECT_GT(unders, 0u);
            EXPECT_GT(untouched, 0u);
        }
    }
}

// The layer outline: eight copies in the effect colour at offsets 0..2, in their order, then the
// text at (x + 1, y + 1); every pixel is the last drawing that covered it.
TEST(TextOutput, LayerOutlineOffsetsAndOrder) {
    const TFont font = Dejavu(14, 0x102030);
    const TColor effectColor = 0x405060;
    const std::string text = "Outline";
    const int32_t x = 4, y = 3;
    const Coverage c = LayerCoverage(font, text, 0, 0);
    const int32_t order[8][2] = {{2, 2}, {2, 1}, {2, 0}, {1, 2}, {1, 0}, {0, 2}, {0, 1}, {0, 0}};

    TBitmap layer;
    Fill(layer, kW, kH, 255, 255, 255, 255);
    StdTextOut_Layer(1, x, y, text, font, effectColor, layer);
    const auto px = Pixels(layer);
    size_t fontPixels = 0, outlinePixels = 0;
    for (int32_t py = 0; py < kH; ++py)
        for (int32_t pxx = 0; pxx < kW; ++pxx) {
            uint32_t want = 0xFFFFFFFFu;
            for (const auto& o : order) {
                const uint8_t t = c.At(pxx - x - o[0], py - y - o[1]);
                if (t != 255) want = Bgr(0x40, 0x50, 0x60) | uint32_t(t) << 24;
            }
            const uint8_t t = c.At(pxx - x - 1, py - y - 1);
            if (t != 255) want = Bgr(0x10, 0x20, 0x30) | uint32_t(t) << 24;
            ASSERT_EQ(px[py * kW + pxx], want) << pxx << "," << py;
            if (want != 0xFFFFFFFFu) ((want & 0xFFFFFF) == Bgr(0x10, 0x20, 0x30) ? fontPixels : outlinePixels)++;
        }
    EXPECT_GT(fontPixels, 0u);
    EXPECT_GT(outlinePixels, 0u);
}

// StdTextOutFast works with the surface's own text output: effect 6 draws the effect colour
// up-left first and the font colour on top, the opposite of the bitmap routines.
TEST(TextOutput, FastSurfaceOffsetCopy) {
    const std::string text = "Fast";
    const int32_t x = 5, y = 4;
    TBitmap plain;
    Fill(plain, kW, kH, 0, 0, 0, 0);
    plain.Canvas().Brush.Style = TBrushStyle::bsClear;
    plain.Canvas().Font = Dejavu(16, clWhite);
    plain.Canvas().TextOut(x, y, text);
    auto ink = [&](int32_t px, int32_t py) -> int {
        return px < 0 || py < 0 || px >= kW || py >= kH ? 0 : plain.ScanLine(py)[4 * px + 1];
    };

    TBitmap bitmap;
    Fill(bitmap, kW, kH, 0, 0, 0, 0);
    StdTextOutFast(6, x, y, text, Dejavu(16, clLime), clRed, bitmap.Canvas());
    size_t tops = 0, unders = 0;
    for (int32_t py = 0; py < kH; ++py)
        for (int32_t px = 0; px < kW; ++px) {
            const uint8_t* q = bitmap.ScanLine(py) + 4 * px;
            const uint32_t got = Bgr(q[0], q[1], q[2]);
            if (ink(px, py) == 255) {
                ASSERT_EQ(got, Bgr(0, 255, 0)) << px << "," << py;
                ++tops;
            } else if (ink(px, py) == 0 && ink(px + 1, py + 1) == 255) {
                ASSERT_EQ(got, Bgr(0, 0, 255)) << px << "," << py;
                ++unders;
            } else if (ink(px, py) == 0 && ink(px + 1, py + 1) == 0) {
                ASSERT_EQ(got, 0u) << px << "," << py;
            }
        }
    EXPECT_GT(tops, 0u);
    EXPECT_GT(unders, 0u);
}

// Jitter offsets lie in 0 .. size div 3 - 1; below 3 points there is none, yet the generator is
// still reseeded and drawn from.
TEST(TextOutput, JitterOffsetsAndSmallFonts) {
    const std::string text = "Jitter";
    auto draw = [&](int32_t effect, int32_t size, int32_t x, int32_t y) {
        TBitmap bitmap;
        Fill(bitmap, kW, kH, 255, 255, 255, 0);
        StdTextOut(effect, x, y, text, Dejavu(size, clBlack), clRed, bitmap);
        return Pixels(bitmap);
    };
    for (int32_t size : {1, 2}) {
        const auto plain = draw(0, size, 10, 10);
        for (int32_t effect : {3, 4, 5}) {
            SCOPED_TRACE(testing::Message() << "size " << size << " effect " << effect);
            SetRandomState(0x12345678u);
            EXPECT_EQ(draw(effect, size, 10, 10), plain);
            EXPECT_NE(RandomState(), 0x12345678u) << "the generator was reseeded and advanced";
        }
    }
    const int32_t size = 15;  // offsets 0..4
    for (int round = 0; round < 4; ++round)
        for (int32_t effect : {3, 4, 5}) {
            SCOPED_TRACE(testing::Message() << "round " << round << " effect " << effect);
            const auto jittered = draw(effect, size, 10, 10);
            bool found = false;
            for (int32_t dy = 0; dy < (effect == 3 ? 1 : 5) && !found; ++dy)
                for (int32_t dx = 0; dx < (effect == 4 ? 1 : 5) && !found; ++dx)
                    found = draw(0, size, 10 + dx, 10 + dy) == jittered;
            EXPECT_TRUE(found) << "the text lies at one of the allowed offsets";
        }
}

TEST(TextOutput, AccentedBytesDrawInk) {
    // 0xE9 is e with an acute accent in the ANSI code page: its ink reaches above the plain e's.
    auto topInkRow = [](const std::string& text) {
        TBitmap bitmap;
        Fill(bitmap, 60, 50, 255, 255, 255, 0);
        SuperTextOut(bitmap, 2, 2, Dejavu(24, clBlack), text);
        for (int32_t y = 0; y < 50; ++y)
            for (int32_t x = 0; x < 60; ++x)
                if (bitmap.ScanLine(y)[4 * x] < 128) return y;
        return -1;
    };
    const int32_t plain = topInkRow("e"), accented = topInkRow("\xE9");
    ASSERT_GE(plain, 0);
    ASSERT_GE(accented, 0) << "\\xE9 draws ink";
    EXPECT_LT(accented, plain);
}

TEST(TextOutput, ColorKeyMaskClipsAndMatchesUnswappedKey) {
    const int32_t W = 12, H = 9;
    const TColor key = 0x0000FF;  // framework red, compared as blue 0xFF, green 0, red 0
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed);
        TBitmap bitmap;
        Fill(bitmap, W, H, 0, 0, 0, 0);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                uint8_t* p = bitmap.ScanLine(y) + 4 * x;
                const uint32_t r = rng();
                if (r % 3 == 0) p[0] = 0xFF, p[1] = 0, p[2] = 0;        // key pixel
                else if (r % 3 == 1) p[0] = 0, p[1] = 0, p[2] = 0xFF;   // pure red: not the key
                else p[0] = uint8_t(r >> 8), p[1] = uint8_t(r >> 16), p[2] = uint8_t(r >> 24);
                p[3] = uint8_t(rng());
            }
        const int32_t x = int32_t(rng() % 30) - 15, y = int32_t(rng() % 24) - 12;
        const int32_t w = int32_t(rng() % 20) - 2, h = int32_t(rng() % 16) - 2;
        SCOPED_TRACE(testing::Message() << "seed " << seed << " rect " << x << "," << y << " " << w << "x" << h);
        const auto before = Pixels(bitmap);
        MakeColorKeyMask32(x, y, w, h, bitmap, key);
        const auto after = Pixels(bitmap);
        for (int32_t py = 0; py < H; ++py)
            for (int32_t px = 0; px < W; ++px) {
                const uint32_t b = before[py * W + px];
                uint32_t want = b;
                if (w >= 1 && h >= 1 && px >= x && px < x + w && py >= y && py < y + h)
                    want = (b & 0xFFFFFF) | ((b & 0xFFFFFF) == 0x0000FF ? 0xFF000000u : 0u);
                ASSERT_EQ(after[py * W + px], want) << px << "," << py;
            }
    }
    // Sizes far beyond the bitmap clip to it.
    TBitmap bitmap;
    Fill(bitmap, W, H, 0xFF, 0, 0, 7);
    MakeColorKeyMask32(2, 3, INT32_MAX, INT32_MAX, bitmap, key);
    MakeColorKeyMask32(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, bitmap, key);
    EXPECT_EQ(bitmap.ScanLine(0)[3], 7);
    EXPECT_EQ(bitmap.ScanLine(3)[4 * 1 + 3], 7);
    EXPECT_EQ(bitmap.ScanLine(3)[4 * 2 + 3], 255);
    EXPECT_EQ(bitmap.ScanLine(H - 1)[4 * (W - 1) + 3], 255);
}

TEST(TextOutput, ColorKeyMaskResolvesSystemColours) {
    const uint32_t face = GetSysColor(COLOR_BTNFACE);
    TBitmap bitmap;
    Fill(bitmap, 2, 1, uint8_t(face), uint8_t(face >> 8), uint8_t(face >> 16), 0);
    bitmap.ScanLine(0)[4] ^= 1;
    MakeColorKeyMask32(0, 0, 2, 1, bitmap, clBtnFace);
    EXPECT_EQ(bitmap.ScanLine(0)[3], 255);
    EXPECT_EQ(bitmap.ScanLine(0)[7], 0);
}

}  // namespace
}  // namespace lumarix
