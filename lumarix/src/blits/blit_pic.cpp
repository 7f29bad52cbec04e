// Per-pixel-alpha picture blits of TLumarix: the source's fourth byte A is its transparency
// (0 opaque, 255 fully transparent). Per member (source weight, destination weight, shift):
//
//   ColorAlphaPic            255 − A, A + 1, >> 8; blue, green, red
//   ColorAlphaPicMMX         127 − (A >> 1), (A >> 1) + 1, >> 7; all four bytes
//   ColorAlphaPicCh          as ColorAlphaPic; A = 255 skipped, A = 0 blue, green, red copied
//   ColorAlphaPicChMMX       as ColorAlphaPicMMX; A ≥ 254 skipped, A ≤ 1 whole pixel copied
//   ColorAlphaPicAlpha(Ch)   k = ((256 − A)·alpha) >> 8, 256 − k, >> 8; blue, green, red
//   ColorAlphaPicAlphaMMX    k = ((255 − A)·(alpha + 1)) >> 8, 255 − k, >> 8; all four bytes
//   ColorAlphaPicAlphaChMMX  as ColorAlphaPicAlphaMMX; A = 255 skipped
// The Ch shortcut of ColorAlphaPicAlphaCh (k = 0 skipped) leaves what the blend leaves, so it
// shares the kernel of ColorAlphaPicAlpha.
//
// Transitions: a map byte v per destination pixel, W = 1 << softness, T = (progress·(256 + W))
// >> 8 in 16 bits; v > T skipped, e = T − v ≤ W blended, beyond the band copied.
//   ColorAlphaPicTrans        (s·e + d·(W − e)) >> softness; blue, green, red (softness 0 to 15)
//   ColorAlphaPicTransMMX,    the same on all four bytes, the whole pixel copied beyond the band
//   ColorAlphaPicAlphaTransMMX   (softness 0 to 8); the second reads no transparency byte
//   ColorAlphaPicAlphaTrans   band weight f = (e << 8) >> softness (256 beyond the band), source
//                             weight k = ((256 − A)·f) >> 8, destination 256 − k, >> 8; blue,
//                             green, red. The picture fades in along the band and ends
//                             composited by its own transparency (as ColorAlphaPicAlpha at 256).
//
// Outside the contract: a constant alpha above 256 counts as 256; a softness above 15 (plain)
// or 8 (MMX) counts as 15 or 8, W and T following it; rectangles are cut as blit_frame.h says.
#include <lumarix/Lumarix.h>

#include "blits/blit_frame.h"
#include "blits/blit_kernels.h"

#include <algorithm>

namespace lumarix {

using blits::best_kernels;
using blits::BlitRect;
using blits::PicRow;
using blits::RowKernels;
using blits::TransParams;
using blits::TransRow;

namespace {

void PicBlit(TBitmap& src, TBitmap& dest, BlitRect r, PicRow RowKernels::*row, uint32_t alpha = 0) {
    if (!SelfCheck(src) || !SelfCheck(dest) || !blits::clip_blit(r, src, dest)) return;
    const PicRow kernel = best_kernels().*row;
    const uint32_t a = std::min<uint32_t>(alpha, 256);
    blits::for_each_row(src, dest, r, [&](uint8_t* d, const uint8_t* s, int n) { kernel(d, s, n, a); });
}

void TransBlit(TBitmap& src, TBitmap& map, TBitmap& dest, BlitRect r, TransRow RowKernels::*row,
               uint32_t progress, uint32_t softness, uint32_t maxSoftness) {
    if (!SelfCheck(src) || !SelfCheck(dest) || !SelfCheck(map)) return;
    if (!blits::clip_blit(r, src, dest) || !blits::clip_to_map(r, map)) return;
    // A map that is the destination itself is read byte by byte while the row is written, so the
    // in-order scalar walk gives the bytes: the vector kernels read several map bytes ahead.
    const TransRow kernel = (&map == &dest ? blits::scalar_kernels() : best_kernels()).*row;
    const TransParams p = blits::trans_params(progress, std::min(softness, maxSoftness));
    blits::for_each_row(src, map, dest, r,
                        [&](uint8_t* d, const uint8_t* s, const uint8_t* m, int n) { kernel(d, s, m, n, p); });
}

}  // namespace

void TLumarix::ColorAlphaPic(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                             int32_t srcY, TBitmap& dest) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic_bgr);
}

void TLumarix::ColorAlphaPicMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                int32_t srcY, TBitmap& dest) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic128);
}

void TLumarix::ColorAlphaPicCh(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                               int32_t srcY, TBitmap& dest) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic_ch_bgr);
}

void TLumarix::ColorAlphaPicChMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                  int32_t srcY, TBitmap& dest) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic128_ch);
}

void TLumarix::ColorAlphaPicAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                  int32_t srcY, TBitmap& dest, uint16_t alpha) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic_alpha_bgr, alpha);
}

void TLumarix::ColorAlphaPicAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                     int32_t srcY, TBitmap& dest, uint16_t alpha) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic_alpha255, alpha);
}

void TLumarix::ColorAlphaPicAlphaCh(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                    int32_t srcY, TBitmap& dest, uint16_t alpha) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic_alpha_bgr, alpha);
}

void TLumarix::ColorAlphaPicAlphaChMMX(int32_t destX, int32_t destY, int32_t width, int32_t height,
                                       int32_t srcX, int32_t srcY, TBitmap& dest, uint16_t alpha) {
    PicBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::pic_alpha255_ch, alpha);
}

void TLumarix::ColorAlphaPicTrans(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                  int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress,
                                  uint16_t softness) {
    TransBlit(*this, map, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::trans_bgr, progress,
              softness, 15);
}

void TLumarix::ColorAlphaPicTransMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                     int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress,
                                     uint16_t softness) {
    TransBlit(*this, map, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::trans, progress,
              softness, 8);
}

void TLumarix::ColorAlphaPicAlphaTrans(int32_t destX, int32_t destY, int32_t width, int32_t height,
                                       int32_t srcX, int32_t srcY, TBitmap& map, TBitmap& dest,
                                       uint16_t progress, uint16_t softness) {
    TransBlit(*this, map, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::alpha_trans_bgr,
              progress, softness, 15);
}

void TLumarix::ColorAlphaPicAlphaTransMMX(int32_t destX, int32_t destY, int32_t width, int32_t height,
                                          int32_t srcX, int32_t srcY, TBitmap& map, TBitmap& dest,
                                          uint16_t progress, uint16_t softness) {
    TransBlit(*this, map, dest, {srcX, srcY, width, height, destX, destY}, &RowKernels::trans, progress,
              softness, 8);
}

}  // namespace lumarix
