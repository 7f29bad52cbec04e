// The 24-to-32-bit conversion of pixel rows (TBitmap::SetPixelFormat and the loads that keep
// 32 bits): blue, green and red copied, the fourth byte 0. A plain row, a SIMD row written once
// over the operation wrappers (expand24_simd.h) and the choice of the one to run.
#pragma once

#include <cstdint>
#include <cstring>

namespace lumarix::detail {

/// One pixel; static, since the SIMD files finish their rows with it.
static inline void px24_to_32(uint8_t* d, const uint8_t* s) {
    const uint8_t px[4] = {s[0], s[1], s[2], 0};
    std::memcpy(d, px, 4);
}

/// A row of `width` pixels, walked from its right end to its left, each step reading its source
/// bytes before it writes: so `dst` may also be `src` itself or lie after it in the same buffer
/// (a picture widened in place, rows taken from the bottom up).
using Expand24Row = void (*)(const uint8_t* src, uint8_t* dst, int32_t width);

void expand24_row(const uint8_t* src, uint8_t* dst, int32_t width);
#if defined(LUMARIX_X86)
void expand24_row_sse2(const uint8_t* src, uint8_t* dst, int32_t width);
/// Only when simd::use_avx2().
void expand24_row_avx2(const uint8_t* src, uint8_t* dst, int32_t width);
#endif
#if defined(LUMARIX_NEON)
void expand24_row_neon(const uint8_t* src, uint8_t* dst, int32_t width);
#endif
/// The row of the active SIMD level (simd/cpu.h).
Expand24Row best_expand24_row();

}  // namespace lumarix::detail
