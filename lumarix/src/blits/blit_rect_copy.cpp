// Translucent rectangle fills on the bitmap itself, and the alpha copy.
//
//   RectAngleAlpha     d' = (d·(255 − alpha) + c·(alpha + 1)) >> 8; blue, green, red, fourth
//                      byte kept; alpha 255 lays the colour on exactly
//   RectAngleAlphaMMX  d' = (d·(256 − alpha) + c·alpha) >> 8 on all four bytes, the fourth byte
//                      blended toward 0 (the fourth byte of a resolved colour); alpha 0 keeps
//                      the pixels; so RectAngleAlpha at a equals RectAngleAlphaMMX at a + 1 in
//                      blue, green and red
//   CopyAlpha32        k = ((256 − A)·alpha) >> 8, d' = (s·k + d·(256 − k)) >> 8 on all four
//                      bytes; an alpha above 256 counts as 256
// The colour is resolved (a system colour through ColorToRGB) and split into pixel order: blue
// from bits 16 to 23, green from 8 to 15, red from 0 to 7. The colour terms c·weight are formed
// once per call. Rectangles are cut as blit_frame.h says.
#include <lumarix/Lumarix.h>

#include "blits/blit_frame.h"
#include "blits/blit_kernels.h"

#include <algorithm>

namespace lumarix {

using blits::best_kernels;
using blits::BlitRect;

namespace {

struct Bgr {
    uint16_t b, g, r;
};

Bgr SplitColor(TColor color) {
    const uint32_t c = uint32_t(ColorToRGB(color));
    return {uint16_t((c >> 16) & 0xFF), uint16_t((c >> 8) & 0xFF), uint16_t(c & 0xFF)};
}

void RectBlit(TBitmap& bitmap, int32_t x, int32_t y, int32_t width, int32_t height, const uint16_t dw[4],
              const uint16_t cw[4]) {
    BlitRect r{0, 0, width, height, x, y};
    if (!blits::clip_to_dest(r, bitmap) || !blits::clip_to_memory(r, nullptr, bitmap)) return;
    const auto kernel = best_kernels().rect;
    for (int32_t row = 0; row < r.height; ++row)
        kernel(bitmap.ScanLine(r.destY + row) + size_t(r.destX) * 4, r.width, dw, cw);
}

}  // namespace

void TLumarix::RectAngleAlpha(int32_t x, int32_t y, int32_t width, int32_t height, TColor color, uint8_t alpha) {
    if (!SelfCheck(*this)) return;
    const Bgr c = SplitColor(color);
    const uint16_t keep = uint16_t(255 - alpha), w = uint16_t(alpha + 1);
    const uint16_t dw[4] = {keep, keep, keep, 256};
    const uint16_t cw[4] = {uint16_t(c.b * w), uint16_t(c.g * w), uint16_t(c.r * w), 0};
    RectBlit(*this, x, y, width, height, dw, cw);
}

void TLumarix::RectAngleAlphaMMX(int32_t x, int32_t y, int32_t width, int32_t height, TColor color,
                                 uint8_t alpha) {
    if (!SelfCheck(*this)) return;
    const Bgr c = SplitColor(color);
    const uint16_t keep = uint16_t(256 - alpha);
    const uint16_t dw[4] = {keep, keep, keep, keep};
    const uint16_t cw[4] = {uint16_t(c.b * alpha), uint16_t(c.g * alpha), uint16_t(c.r * alpha), 0};
    RectBlit(*this, x, y, width, height, dw, cw);
}

void TLumarix::CopyAlpha32(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                           int32_t srcY, TBitmap& dest, uint16_t alpha) {
    if (!SelfCheck(*this) || !SelfCheck(dest)) return;
    BlitRect r{srcX, srcY, width, height, destX, destY};
    if (!blits::clip_blit(r, *this, dest)) return;
    const auto kernel = best_kernels().copy_alpha;
    const uint32_t a = std::min<uint32_t>(alpha, 256);
    blits::for_each_row(*this, dest, r, [&](uint8_t* d, const uint8_t* s, int n) { kernel(d, s, n, a); });
}

}  // namespace lumarix
