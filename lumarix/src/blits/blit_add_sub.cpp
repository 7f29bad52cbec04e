// Additive and subtractive blits of TLumarix, on all four bytes. The source is scaled by
// level / 256 first:
//   ColorAdd, ColorSub        t = (s·level) >> 8 limited to 255 (any level)
//   ColorAddMMX, ColorSubMMX  t = ((s·level) mod 65536) >> 8, as 16-bit lanes compute it; for
//                             level 0 to 257 the twins give the same bytes
// then d' = min(255, d + t) or max(0, d − t).
//
// ColorAddMMX is the one blit that does not test its bitmaps for emptiness: with an empty
// source its first source row access raises the row accessor's out-of-range error. Rectangles
// are cut as blit_frame.h says.
#include <lumarix/Lumarix.h>

#include "blits/blit_frame.h"
#include "blits/blit_kernels.h"

namespace lumarix {

using blits::best_kernels;
using blits::BlitRect;
using blits::LevelRow;
using blits::RowKernels;

namespace {

void LightBlit(TBitmap& src, TBitmap& dest, BlitRect r, LevelRow RowKernels::*row, uint32_t level) {
    if (!blits::clip_blit(r, src, dest)) return;
    const LevelRow kernel = best_kernels().*row;
    // Whole rows of two bitmaps with rows of just that length are one run of pixels in memory,
    // walked in the same order: one call instead of one per row. The kernels work pixel by pixel,
    // so nothing pairs pixels across a row's end.
    const int32_t rowBytes = 4 * r.width;
    if (r.srcX == 0 && r.destX == 0 && src.RowStride() == rowBytes && dest.RowStride() == rowBytes) {
        kernel(dest.ScanLine(r.destY), src.ScanLine(r.srcY), r.width * r.height, level);
        return;
    }
    blits::for_each_row(src, dest, r, [&](uint8_t* d, const uint8_t* s, int n) { kernel(d, s, n, level); });
}

}  // namespace

void TLumarix::ColorAdd(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                        TBitmap& dest, uint16_t level) {
    if (!SelfCheck(*this)) return;
    LightBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::add_clamped, level);
}

void TLumarix::ColorAddMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                           int32_t srcY, TBitmap& dest, uint16_t level) {
    BlitRect r{srcX, srcY, width, height, destX, destY};
    if (!blits::clip_to_dest(r, dest)) return;
    if (!SelfCheck(*this) && r.height > 0) ScanLine(r.srcY);
    LightBlit(*this, dest, r, &RowKernels::add_wrapped, level);
}

void TLumarix::ColorSub(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                        TBitmap& dest, uint16_t level) {
    if (!SelfCheck(*this)) return;
    LightBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::sub_clamped, level);
}

void TLumarix::ColorSubMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                           int32_t srcY, TBitmap& dest, uint16_t level) {
    if (!SelfCheck(*this)) return;
    LightBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::sub_wrapped, level);
}

}  // namespace lumarix
