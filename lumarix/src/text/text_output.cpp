// SuperTextOut and its layer siblings, the StdTextOut effects and MakeColorKeyMask32.
//
// The Super routines render the text's coverage (at twice the size, except the Fast layer) for
// the part that can reach the destination and hand it to the sample walks of super_sample.cpp.
// Temporaries are locals or per-thread buffers, so nothing leaks on any path, errors included.
#include <lumarix/Lumarix.h>
#include <lumarix/etcs/text_output.h>
#include <lumarix/filters32/random.h>

#include "text/super_sample.h"
#include "text/text_backend.h"

#include <algorithm>
#include <utility>

namespace lumarix {
namespace {

constexpr size_t kKeptCoverageBytes = size_t(1) << 20;

// Renders only the samples the walk reads (a few rows of the line inside the destination,
// however long or large the text) straight as coverage, in place of the routines' temporary
// bitmap of black text on white: the temporary's blue bytes would hold 255 minus this coverage.
void RenderSuper(TBitmap& bitmap, int32_t x, int32_t y, const TFont& font, const std::string& text,
                 text::SampleWalk walk) {
    if (bitmap.PixelFormat() != TPixelFormat::pf32bit || text.empty()) return;
    const text::TextRgb colour = text::ResolveTextColor(font.Color);

    // Only name, style and size reach the rendering font.
    TFont renderFont;
    renderFont.Name = font.Name;
    renderFont.Style = font.Style;
    renderFont.Size = walk == text::SampleWalk::FastLayer
                          ? font.Size
                          : int32_t(std::clamp<int64_t>(2 * int64_t(font.Size), INT32_MIN, INT32_MAX));
    const TSize extent = text::MeasureText(renderFont, text);
    const bool half = walk != text::SampleWalk::FastLayer;
    const int32_t w = half ? extent.cx / 2 : extent.cx, h = half ? extent.cy / 2 : extent.cy;

    const TRect need = text::SamplesRead(walk, bitmap, x, y, w, h);
    text::SampleGrid grid;
    thread_local text::TextCoverage coverage;
    // A thread keeps its buffer for the next call unless a large destination made it big.
    struct Trim {
        ~Trim() {
            if (coverage.alpha.capacity() > kKeptCoverageBytes) coverage.alpha = {};
        }
    } trim;
    if (need.Left < need.Right && need.Top < need.Bottom) {
        text::RenderText(renderFont, text, need, coverage, true);
        grid = text::SampleGrid{coverage.alpha.data(), coverage.width, coverage.left, coverage.top};
    }
    text::WalkSamples(walk, grid, bitmap, x, y, w, h, colour);
}

// x + d without wrapping around at the ends of the 32-bit range.
int32_t Shift(int32_t v, int64_t d) { return int32_t(std::clamp<int64_t>(int64_t(v) + d, INT32_MIN, INT32_MAX)); }

// The jitter offset: a draw over size div 3 (0 for sizes below 3, and for negative sizes).
int32_t Jitter(const TFont& font) { return int32_t(RandomDraw(font.Size > 0 ? uint32_t(font.Size / 3) : 0u)); }

struct Offset {
    int32_t dx, dy;
};

// The outline's eight neighbours, in drawing order.
constexpr Offset kOutline[8] = {{1, 1}, {1, 0}, {1, -1}, {0, 1}, {0, -1}, {-1, 1}, {-1, 0}, {-1, -1}};

using Primitive = void (*)(TBitmap&, int32_t, int32_t, const TFont&, const std::string&);

// The effects over one drawing primitive; `outlineShift` moves the outline (and the text on
// it) right and down, as the layer routine does.
void DrawEffect(int32_t effect, int32_t x, int32_t y, const std::string& text, const TFont& font,
                TColor effectColor, TBitmap& bitmap, Primitive draw, int32_t outlineShift) {
    TFont copy;
    copy.Assign(font);
    switch (effect) {
    case 0: draw(bitmap, x, y, font, text); break;
    case 1:
        copy.Color = effectColor;
        for (const Offset& o : kOutline)
            draw(bitmap, Shift(x, o.dx + outlineShift), Shift(y, o.dy + outlineShift), copy, text);
        draw(bitmap, Shift(x, outlineShift), Shift(y, outlineShift), font, text);
        break;
    case 2:
        copy.Color = effectColor;
        draw(bitmap, Shift(x, 2), Shift(y, 2), copy, text);
        draw(bitmap, x, y, font, text);
        break;
    case 3:
        Reseed();
        draw(bitmap, Shift(x, Jitter(font)), y, copy, text);
        break;
    case 4:
        Reseed();
        draw(bitmap, x, Shift(y, Jitter(font)), copy, text);
        break;
    case 5: {
        Reseed();
        const int32_t dx = Jitter(font);
        Reseed();
        const int32_t dy = Jitter(font);
        draw(bitmap, Shift(x, dx), Shift(y, dy), copy, text);
        break;
    }
    case 6:
        draw(bitmap, Shift(x, -1), Shift(y, -1), font, text);
        copy.Color = effectColor;
        draw(bitmap, x, y, copy, text);
        break;
    default: break;
    }
}

}  // namespace

void SuperTextOut(TBitmap& bitmap, int32_t x, int32_t y, const TFont& font, const std::string& text) {
    RenderSuper(bitmap, x, y, font, text, text::SampleWalk::Blend);
}

void SuperTextOut_Layer(TBitmap& bitmap, int32_t x, int32_t y, const TFont& font, const std::string& text) {
    RenderSuper(bitmap, x, y, font, text, text::SampleWalk::Layer);
}

void SuperTextOutFast_Layer(TBitmap& bitmap, int32_t x, int32_t y, const TFont& font, const std::string& text) {
    RenderSuper(bitmap, x, y, font, text, text::SampleWalk::FastLayer);
}

void StdTextOut(int32_t effect, int32_t x, int32_t y, const std::string& text, const TFont& font,
                TColor effectColor, TBitmap& bitmap) {
    DrawEffect(effect, x, y, text, font, effectColor, bitmap, SuperTextOut, 0);
}

void StdTextOut_Layer(int32_t effect, int32_t x, int32_t y, const std::string& text, const TFont& font,
                      TColor effectColor, TBitmap& bitmap) {
    DrawEffect(effect, x, y, text, font, effectColor, bitmap, SuperTextOut_Layer, 1);
}

void StdTextOutFast_Layer(int32_t effect, int32_t x, int32_t y, const std::string& text, const TFont& font,
                          TColor effectColor, TBitmap& bitmap) {
    DrawEffect(effect, x, y, text, font, effectColor, bitmap, SuperTextOutFast_Layer, 0);
}

void StdTextOutFast(int32_t effect, int32_t x, int32_t y, const std::string& text, const TFont& font,
                    TColor effectColor, TCanvas& canvas) {
    // The surface gets its own font back however the drawing ends.
    struct FontRestore {
        TCanvas& canvas;
        TFont saved;
        ~FontRestore() { std::swap(canvas.Font, saved); }
    } restore{canvas, canvas.Font};
    canvas.Font.Assign(font);
    canvas.Brush.Style = TBrushStyle::bsClear;

    auto draw = [&](TColor color, int32_t px, int32_t py) {
        canvas.Font.Color = color;
        canvas.TextOut(px, py, text);
    };
    switch (effect) {
    case 0: draw(font.Color, x, y); break;
    case 1:
        for (const Offset& o : kOutline) draw(effectColor, Shift(x, o.dx), Shift(y, o.dy));
        draw(font.Color, x, y);
        break;
    case 2:
        draw(effectColor, Shift(x, 2), Shift(y, 2));
        draw(font.Color, x, y);
        break;
    case 3:
        Reseed();
        draw(font.Color, Shift(x, Jitter(font)), y);
        break;
    case 4:
        Reseed();
        draw(font.Color, x, Shift(y, Jitter(font)));
        break;
    case 5: {
        Reseed();
        const int32_t dx = Jitter(font);
        Reseed();
        const int32_t dy = Jitter(font);
        draw(font.Color, Shift(x, dx), Shift(y, dy));
        break;
    }
    case 6:
        draw(effectColor, Shift(x, -1), Shift(y, -1));
        draw(font.Color, x, y);
        break;
    default: break;
    }
}

void MakeColorKeyMask32(int32_t x, int32_t y, int32_t w, int32_t h, TBitmap& bitmap, TColor key) {
    const uint32_t rgb = uint32_t(ColorToRGB(key)) & 0xFFFFFFu;
    if (w < 1 || h < 1 || bitmap.PixelFormat() != TPixelFormat::pf32bit) return;
    // Sizes beyond the bitmap cut to the same rectangle; trimming them first keeps the
    // clipping's own sums inside 32 bits.
    if (x >= 0 && x < bitmap.Width()) w = std::min(w, bitmap.Width() - x);
    if (y >= 0 && y < bitmap.Height()) h = std::min(h, bitmap.Height() - y);
    int32_t srcX = 0, srcY = 0;
    if (!SetXYWHAuto(srcX, srcY, w, h, x, y, bitmap.Width(), bitmap.Height())) return;
    for (int32_t r = 0; r < h; ++r) {
        uint8_t* p = bitmap.ScanLine(y + r) + 4 * int64_t(x);
        for (int32_t c = 0; c < w; ++c, p += 4) {
            const uint32_t pixel = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            p[3] = pixel == rgb ? 255 : 0;
        }
    }
}

}  // namespace lumarix
