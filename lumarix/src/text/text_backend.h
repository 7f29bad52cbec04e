// The platform seam of text rendering: measuring a one-line byte string and rendering its glyph
// coverage for a font given by name, size in points (at 96 dots per inch) and style.
//
// Linux: FreeType with Fontconfig (text_backend_linux.cpp); Windows: GDI (text_backend_win32.cpp).
// TCanvas::TextOut blends the coverage onto the bitmap (canvas_text.cpp), so both back ends share
// one blend and one clipping rule.
#pragma once

#include <lumarix/Graphics.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumarix::text {

/// Ink coverage of a rendered string, 0 (paper) to 255 (full ink), one byte per pixel, rows top
/// to bottom. (left, top) is the mask's top-left corner relative to the text's top-left corner;
/// it may lie left of or above it, and the mask may reach past the extent (italic overhang).
struct TextCoverage {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> alpha;

    uint8_t At(int32_t column, int32_t row) const { return alpha[size_t(row) * size_t(width) + size_t(column)]; }
};

/// Advance width and line height (ascent + descent) of `text` in pixels. An empty string has
/// width 0 and the font's line height.
TSize MeasureText(const TFont& font, const std::string& text);

/// The coverage of `text` drawn with its top-left corner at (0, 0), limited to `clip` (in the
/// same coordinates; a caller passes the part of its bitmap the text may reach, so that far-off
/// or huge text costs no memory). Underline and strike-out span the advance width. Colour is
/// not part of it: callers blend their own. The mask is the union of the ink cut to the clip,
/// or with `wholeClip` the clip itself. `out` is overwritten; its buffer is reused.
void RenderText(const TFont& font, const std::string& text, const TRect& clip, TextCoverage& out,
                bool wholeClip = false);

inline TextCoverage RenderText(const TFont& font, const std::string& text, const TRect& clip) {
    TextCoverage mask;
    RenderText(font, text, clip, mask);
    return mask;
}

/// Sets `mask` to cover exactly `clip` (paper where it had no coverage); `mask` must lie inside it.
void ExtendToClip(TextCoverage& mask, const TRect& clip);

/// The em height in pixels that the back ends use for `font`: the size in points at 96 dots per
/// inch, rounded, at least 1 and at most kMaxEmPixels.
int32_t EmPixels(const TFont& font);

/// Larger sizes are drawn at this em height (a guard against absurd glyph buffers).
inline constexpr int32_t kMaxEmPixels = 4096;

}  // namespace lumarix::text
