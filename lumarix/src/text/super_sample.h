// The sample walks of the supersampled and layer text routines. A walk reads the coverage of a
// rendering of the text (0 paper, 255 full ink; the routines' temporary of black text on white
// holds 255 minus it in every blue byte) and writes the destination:
//
//   Blend (SuperTextOut): destination pixel (x + i, y + j) takes the samples at columns 2i,
//     2i + 1 of rows 2j + 1, 2j + 2 (row 0 is never read). With sum the four samples of black on
//     white, a = (sum >> 2) + 1 and b = 256 - a, blue, green and red become
//     (d * a + colour * b) >> 8; b is the block's coverage rounded up. The fourth byte is kept.
//   Layer (SuperTextOut_Layer): the same samples; sum 1020 (all paper) leaves the pixel alone,
//     otherwise blue, green, red become the colour and the fourth byte sum >> 2.
//   FastLayer (SuperTextOutFast_Layer): one sample per pixel (column i, row j); paper leaves
//     the pixel alone, anything else writes the colour with fourth byte 0.
//
// The text area is w x h destination pixels at (x, y) (hw x hh for Blend and Layer, cx x cy for
// FastLayer). None writes a column outside the destination. Blend also skips rows outside it;
// the layer walks fetch every destination row through ScanLine, so a row outside the bitmap
// raises EInvalidGraphicOperation after the rows before it were written. SamplesRead says which
// samples a walk reads, so that a caller renders only those, however large the text.
#pragma once

#include <lumarix/Graphics.h>

#include <cstdint>

namespace lumarix::text {

/// A resolved text colour.
struct TextRgb {
    uint8_t red = 0, green = 0, blue = 0;
};

/// Resolves system colours and splits 0x00BBGGRR into bytes.
TextRgb ResolveTextColor(TColor color);

enum class SampleWalk { Blend, Layer, FastLayer };

/// Coverage of the samples a walk reads: sample (sx, sy) of the rendering is
/// coverage[(sy - top) * stride + (sx - left)].
struct SampleGrid {
    const uint8_t* coverage = nullptr;
    int64_t stride = 0;
    int64_t left = 0, top = 0;
};

/// The samples the walk reads for the text area on `dest`, in rendering coordinates; empty when
/// it reads none (nothing visible, or a destination that is not 32-bit).
TRect SamplesRead(SampleWalk walk, const TBitmap& dest, int32_t x, int32_t y, int32_t w, int32_t h);

/// The walk, reading only the samples of SamplesRead from `grid`.
void WalkSamples(SampleWalk walk, const SampleGrid& grid, TBitmap& dest, int32_t x, int32_t y, int32_t w,
                 int32_t h, TextRgb colour);

/// The walks over a 32-bit rendering of black text on white (its blue bytes are the samples),
/// which must hold every sample read; a smaller one makes the walk draw nothing.
void SuperSampleBlend(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour);
void SuperSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour);
void FastSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t cx, int32_t cy,
                     TextRgb colour);

}  // namespace lumarix::text
