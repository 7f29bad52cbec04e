// The sample walks of the supersampled and layer text routines, over a rendering of black text
// on white (the blue byte of each 32-bit sample: 255 paper, 0 ink).
//
//   SuperSampleBlend: destination pixel (x + i, y + j) takes the samples at columns 2i, 2i + 1 of
//     rows 2j + 1, 2j + 2 (row 0 is never read); a = (sum >> 2) + 1, b = 256 - a, and blue, green
//     and red become (d * a + colour * b) >> 8. The fourth byte is kept.
//   SuperSampleLayer: the same samples; sum 1020 (all paper) leaves the pixel alone, otherwise
//     blue, green, red become the colour and the fourth byte sum >> 2.
//   FastSampleLayer: one sample per pixel (column i, row j); 255 leaves the pixel alone, anything
//     else writes the colour with fourth byte 0.
//
// None writes a column outside the destination. SuperSampleBlend also skips rows outside it;
// the layer walks fetch every destination row through ScanLine, so a row outside the bitmap
// raises EInvalidGraphicOperation after the rows before it were written. The samples bitmap
// must be 32-bit and hold every sample read; a smaller one makes the walk draw nothing.
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

void SuperSampleBlend(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour);
void SuperSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour);
void FastSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t cx, int32_t cy,
                     TextRgb colour);

}  // namespace lumarix::text
