// Colour-key and constant-alpha blits of TLumarix.
//
//   ColorKey           key pixel: nothing; other: blue, green, red copied, fourth byte 0
//   ColorAlpha         d' = (s·a + d·(256 − a)) >> 8 on all four bytes, a = alpha limited to
//                      255 (so white over black gives 254); alpha 0 returns at once
//   ColorAlphaMMX,     the same with alpha 0 to 256 (256 copies the source exactly); the two-pixel
//   ColorAlphaMMX64,   variants walk a rectangle whose width, cut to the destination, is odd as
//   ColorAlphaSSE2_64  ColorAlphaMMX does, and an even one in steps of two pixels, each step reading
//                      both source and both destination pixels before storing either (which
//                      shows only when one bitmap's destination lies one pixel after its source)
//   ColorKeyAlpha      key test, then the blend of blue, green and red, fourth byte kept
//   ColorKeyAlphaMMX   key test, then the blend of all four bytes, alpha 0 to 256
// The key is compared with a pixel's blue, green and red as it stands (bits 0 to 7 against
// blue), without exchanging red and blue. A 16-bit alpha above 256 is outside the contract of
// the MMX and SSE2 variants and counts as 256 there.
#include <lumarix/Lumarix.h>

#include "blits/blit_frame.h"
#include "blits/blit_kernels.h"

#include <algorithm>

namespace lumarix {

using blits::AlphaRow;
using blits::best_kernels;
using blits::BlitRect;
using blits::clip_blit;
using blits::for_each_row;
using blits::RowKernels;

namespace {

/// Bits 0 to 23 of the key colour, a system colour resolved first.
uint32_t key24(TColor keyColor) { return uint32_t(ColorToRGB(keyColor)) & 0x00FFFFFFu; }

/// The rows of a clipped constant-alpha blit; `row` walks one or two pixels per step.
void alpha_rows(TBitmap& src, TBitmap& dest, const BlitRect& r, uint32_t alpha, AlphaRow RowKernels::*row) {
    const uint32_t a = std::min<uint32_t>(alpha, 256);
    const AlphaRow kernel = best_kernels().*row;
    for_each_row(src, dest, r, [&](uint8_t* d, const uint8_t* s, int n) { kernel(d, s, n, a); });
}

/// The constant-alpha blit of the MMX and SSE2 variants, all of which give these bytes.
void AlphaBlit(TBitmap& src, TBitmap& dest, BlitRect r, uint32_t alpha) {
    if (!SelfCheck(src) || !SelfCheck(dest) || !clip_blit(r, src, dest)) return;
    alpha_rows(src, dest, r, alpha, &RowKernels::alpha);
}

/// The two-pixel variants: the width cut to the destination chooses the walk (odd: one pixel
/// per step, as ColorAlphaMMX; even: two), then the cut to memory follows as for every blit.
void TwoPixelBlit(TBitmap& src, TBitmap& dest, BlitRect r, uint16_t alpha) {
    if (!SelfCheck(src) || !SelfCheck(dest) || !blits::clip_to_dest(r, dest)) return;
    AlphaRow RowKernels::*const row = r.width % 2 != 0 ? &RowKernels::alpha : &RowKernels::alpha_pairs;
    if (!blits::clip_to_memory(r, &src, dest)) return;
    alpha_rows(src, dest, r, alpha, row);
}

}  // namespace

void TLumarix::ColorKey(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                        TBitmap& dest, TColor keyColor) {
    if (!SelfCheck(*this) || !SelfCheck(dest)) return;
    BlitRect r{srcX, srcY, width, height, destX, destY};
    if (!clip_blit(r, *this, dest)) return;
    const uint32_t key = key24(keyColor);
    const auto row = best_kernels().key;
    for_each_row(*this, dest, r, [&](uint8_t* d, const uint8_t* s, int n) { row(d, s, n, key); });
}

void TLumarix::ColorAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                          int32_t srcY, TBitmap& dest, uint16_t alpha) {
    if (alpha == 0) return;
    AlphaBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, std::min<uint32_t>(alpha, 255));
}

void TLumarix::ColorAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                             int32_t srcY, TBitmap& dest, uint16_t alpha) {
    AlphaBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, alpha);
}

void TLumarix::ColorAlphaMMX64(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                               int32_t srcY, TBitmap& dest, uint16_t alpha) {
    TwoPixelBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, alpha);
}

void TLumarix::ColorAlphaSSE2_64(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                 int32_t srcY, TBitmap& dest, uint16_t alpha) {
    TwoPixelBlit(*this, dest, {srcX, srcY, width, height, destX, destY}, alpha);
}

void TLumarix::ColorKeyAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                             int32_t srcY, TBitmap& dest, TColor keyColor, uint8_t alpha) {
    if (!SelfCheck(*this) || !SelfCheck(dest)) return;
    BlitRect r{srcX, srcY, width, height, destX, destY};
    if (!clip_blit(r, *this, dest)) return;
    const uint32_t key = key24(keyColor);
    const auto row = best_kernels().key_alpha_bgr;
    for_each_row(*this, dest, r, [&](uint8_t* d, const uint8_t* s, int n) { row(d, s, n, key, alpha); });
}

void TLumarix::ColorKeyAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                int32_t srcY, TBitmap& dest, TColor keyColor, uint16_t alpha) {
    if (!SelfCheck(*this) || !SelfCheck(dest)) return;
    BlitRect r{srcX, srcY, width, height, destX, destY};
    if (!clip_blit(r, *this, dest)) return;
    const uint32_t key = key24(keyColor), a = std::min<uint32_t>(alpha, 256);
    const auto row = best_kernels().key_alpha;
    for_each_row(*this, dest, r, [&](uint8_t* d, const uint8_t* s, int n) { row(d, s, n, key, a); });
}

}  // namespace lumarix
