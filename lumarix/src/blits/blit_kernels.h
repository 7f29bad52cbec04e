// The blits' row kernels: one table of function pointers per instruction set, all giving the
// bytes of the scalar kernels, which are the models the tests compare with.
//
// A kernel is named after its numbers, not after the routine that calls it, because several
// routines share numbers (ColorAlpha and the MMX variants for alpha 1 to 255, ColorAlphaPicAlpha
// and ColorAlphaPicAlphaCh, ColorAlphaPicTransMMX and ColorAlphaPicAlphaTransMMX):
//   *_bgr        blue, green and red written, the destination's fourth byte kept
//   pic128       weights on a scale of 128 from the top 7 bits of A (the MMX picture blits)
//   pic_alpha255 weights adding up to 255 (the MMX picture blits with a constant alpha)
//   *_clamped / *_wrapped   scaled source limited to 255 / product kept to 16 bits
// Every kernel walks n pixels left to right; n ≤ 0 does nothing. alpha_pairs reads two source
// and two destination pixels before it stores either, step by step from the row's start, which
// matters only when the destination lies one pixel after the source in one bitmap.
#pragma once

#include "blits/blit_px.h"

#include <cstdint>

namespace lumarix::blits {

using KeyRow = void (*)(uint8_t* d, const uint8_t* s, int n, uint32_t key24);
using AlphaRow = void (*)(uint8_t* d, const uint8_t* s, int n, uint32_t alpha);
using KeyAlphaRow = void (*)(uint8_t* d, const uint8_t* s, int n, uint32_t key24, uint32_t alpha);
/// Per-pixel-alpha rows; kernels without a constant alpha ignore the last argument.
using PicRow = void (*)(uint8_t* d, const uint8_t* s, int n, uint32_t alpha);
/// Transition rows; `map` holds one byte per destination pixel.
using TransRow = void (*)(uint8_t* d, const uint8_t* s, const uint8_t* map, int n, const TransParams& p);
using RectRow = void (*)(uint8_t* d, int n, const uint16_t dw[4], const uint16_t cw[4]);
using LevelRow = void (*)(uint8_t* d, const uint8_t* s, int n, uint32_t level);

struct RowKernels {
    KeyRow key;                   // ColorKey
    AlphaRow alpha;               // alpha 0 to 256, all four bytes
    AlphaRow alpha_pairs;         // the same two pixels per step (ColorAlphaMMX64, ColorAlphaSSE2_64)
    KeyAlphaRow key_alpha_bgr;    // ColorKeyAlpha
    KeyAlphaRow key_alpha;        // ColorKeyAlphaMMX
    PicRow pic_bgr;               // ColorAlphaPic
    PicRow pic128;                // ColorAlphaPicMMX
    PicRow pic_ch_bgr;            // ColorAlphaPicCh
    PicRow pic128_ch;             // ColorAlphaPicChMMX
    PicRow pic_alpha_bgr;         // ColorAlphaPicAlpha, ColorAlphaPicAlphaCh
    PicRow pic_alpha255;          // ColorAlphaPicAlphaMMX
    PicRow pic_alpha255_ch;       // ColorAlphaPicAlphaChMMX
    PicRow copy_alpha;            // CopyAlpha32
    TransRow trans_bgr;           // ColorAlphaPicTrans (softness 0 to 15)
    TransRow trans;               // ColorAlphaPicTransMMX, ColorAlphaPicAlphaTransMMX (softness 0 to 8)
    TransRow alpha_trans_bgr;     // ColorAlphaPicAlphaTrans (softness 0 to 15)
    RectRow rect;                 // RectAngleAlpha, RectAngleAlphaMMX
    LevelRow add_clamped;         // ColorAdd
    LevelRow add_wrapped;         // ColorAddMMX
    LevelRow sub_clamped;         // ColorSub
    LevelRow sub_wrapped;         // ColorSubMMX
};

/// The scalar kernels: loops over the per-pixel truths of blit_px.h.
const RowKernels& scalar_kernels();

#if defined(LUMARIX_X86)
/// SSE2 kernels, four pixels per step (any x86-64 processor).
const RowKernels& sse2_kernels();
/// AVX2 kernels, eight pixels per step; only when simd::use_avx2().
const RowKernels& avx2_kernels();
/// AVX-512 kernels, sixteen pixels per step; only when simd::use_avx512().
const RowKernels& avx512_kernels();
#endif
#if defined(LUMARIX_NEON)
/// NEON kernels, four pixels per step (any AArch64 processor).
const RowKernels& neon_kernels();
#endif

/// The table of the active SIMD level (simd/cpu.h); all tables give the same bytes.
const RowKernels& best_kernels();

}  // namespace lumarix::blits
