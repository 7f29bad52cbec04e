// TCanvas::TextOut and TCanvas::TextExtent over the platform's text back end.
//
// The back end gives a coverage mask c (0..255); each covered pixel becomes
// (pixel * (255 - c) + colour * c + 127) / 255 per channel, so full coverage writes the colour
// exactly and zero coverage leaves the pixel alone. 32-bit pixels keep their fourth byte; 8-bit
// pixels are blended against their palette colour and take the nearest palette entry.
#include "graphics/pixel_convert.h"
#include "text/text_backend.h"
#include "text/text_kernels.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace lumarix {
namespace {

struct Rgb {
    int red, green, blue;
};

using text::px::mix;

constexpr size_t kKeptMaskBytes = size_t(1) << 20;

void BlendCoverage(TBitmap& bitmap, int32_t x, int32_t y, const text::TextCoverage& mask, Rgb colour) {
    // Intersection of the mask with the bitmap, in 64 bits so that far-away positions cannot wrap.
    const int64_t left = int64_t(x) + mask.left, top = int64_t(y) + mask.top;
    const int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(left + mask.width, bitmap.Width());
    const int64_t y1 = std::min<int64_t>(top + mask.height, bitmap.Height());
    if (x0 >= x1 || y0 >= y1) return;

    const TPixelFormat format = bitmap.PixelFormat();
    auto coverageRow = [&](int64_t py) {
        return &mask.alpha[size_t(py - top) * size_t(mask.width) + size_t(x0 - left)];
    };
    if (format == TPixelFormat::pf32bit) {
        const auto blend = text::best_text_kernels().coverage_blend;
        const uint32_t packed = uint32_t(colour.blue) | uint32_t(colour.green) << 8 | uint32_t(colour.red) << 16;
        for (int64_t py = y0; py < y1; ++py)
            blend(coverageRow(py), bitmap.ScanLine(int32_t(py)) + 4 * x0, int32_t(x1 - x0), packed);
        return;
    }
    const int64_t bytesPerPixel = format == TPixelFormat::pf24bit ? 3 : 1;
    detail::NearestPaletteIndex nearest(bitmap.Palette());
    for (int64_t py = y0; py < y1; ++py) {
        const uint8_t* coverage = coverageRow(py);
        uint8_t* p = bitmap.ScanLine(int32_t(py)) + x0 * bytesPerPixel;
        for (int64_t px = x0; px < x1; ++px, ++coverage, p += bytesPerPixel) {
            const int c = *coverage;
            if (c == 0) continue;
            if (bytesPerPixel > 1) {
                p[0] = mix(p[0], colour.blue, c);
                p[1] = mix(p[1], colour.green, c);
                p[2] = mix(p[2], colour.red, c);
            } else {
                const TPaletteEntry& under = bitmap.Palette()[*p];
                *p = nearest(mix(under.blue, colour.blue, c), mix(under.green, colour.green, c),
                             mix(under.red, colour.red, c));
            }
        }
    }
}

}  // namespace

namespace text {

int32_t EmPixels(const TFont& font) {
    // MulDiv(size, 96, 72): rounded to the nearest pixel.
    const int64_t points = std::llabs(int64_t(font.Size));
    const int64_t pixels = (points * 96 + 36) / 72;
    return int32_t(std::clamp<int64_t>(pixels, 1, kMaxEmPixels));
}

void ExtendToClip(TextCoverage& mask, const TRect& clip) {
    const int64_t width = int64_t(clip.Right) - clip.Left, height = int64_t(clip.Bottom) - clip.Top;
    if (width <= 0 || height <= 0) {
        mask = TextCoverage{};
        return;
    }
    if (mask.left == clip.Left && mask.top == clip.Top && mask.width == width && mask.height == height) return;
    std::vector<uint8_t> whole(size_t(width) * size_t(height), 0);
    for (int64_t r = 0; r < mask.height; ++r)
        std::copy_n(&mask.alpha[size_t(r) * size_t(mask.width)], mask.width,
                    &whole[size_t(mask.top - clip.Top + r) * size_t(width) + size_t(mask.left - clip.Left)]);
    mask = TextCoverage{clip.Left, clip.Top, int32_t(width), int32_t(height), std::move(whole)};
}

}  // namespace text

TSize TCanvas::TextExtent(const std::string& text) { return text::MeasureText(Font, text); }

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
    if (Brush.Style == TBrushStyle::bsSolid) {
        const TSize extent = TextExtent(text);
        const int64_t right = std::min<int64_t>(int64_t(x) + extent.cx, INT32_MAX);
        const int64_t bottom = std::min<int64_t>(int64_t(y) + extent.cy, INT32_MAX);
        FillRect(Rect(x, y, int32_t(right), int32_t(bottom)));
    }
    if (text.empty()) return;
    const uint32_t rgb = uint32_t(ColorToRGB(Font.Color));
    const Rgb colour{int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)};
    // The bitmap's bounds seen from the text origin, kept inside 32 bits.
    const auto rel = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    const TRect clip = Rect(rel(-int64_t(x)), rel(-int64_t(y)), rel(int64_t(m_bitmap->Width()) - x),
                            rel(int64_t(m_bitmap->Height()) - y));
    if (clip.Left >= clip.Right || clip.Top >= clip.Bottom) return;
    // The mask buffer is kept per thread, unless a large drawing made it big.
    thread_local text::TextCoverage mask;
    text::RenderText(Font, text, clip, mask);
    BlendCoverage(*m_bitmap, x, y, mask, colour);
    if (mask.alpha.capacity() > kKeptMaskBytes) mask.alpha = {};
}

}  // namespace lumarix
