// The 24-to-32-bit conversion of pixel rows (TBitmap::SetPixelFormat and the loads that keep
// 32 bits): blue, green and red copied, the fourth byte 0. A plain row, a SIMD row written once
// over the operation wrappers (expand24_simd_kernels.h), one table per instruction set, and the
// choice of the table to run.
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

struct Expand24Kernels {
    Expand24Row row;
};

/// The plain row: one pixel at a time.
const Expand24Kernels& scalar_expand24_kernels();

#if defined(LUMARIX_X86)
const Expand24Kernels& sse2_expand24_kernels();
/// Only when simd::use_avx2().
const Expand24Kernels& avx2_expand24_kernels();
#endif
#if defined(LUMARIX_NEON)
const Expand24Kernels& neon_expand24_kernels();
#endif

/// The table of the active SIMD level (simd/cpu.h); all tables give the same bytes.
const Expand24Kernels& best_expand24_kernels();

}  // namespace lumarix::detail
