// The plain 24-to-32-bit row, the model of the SIMD ones, and the choice of the row to run.
// Built without SIMD flags.
#include "graphics/expand24.h"

#include "simd/cpu.h"

namespace lumarix::detail {

void expand24_row(const uint8_t* src, uint8_t* dst, int32_t width) {
    for (int32_t x = width; x-- > 0;) px24_to_32(dst + 4 * size_t(x), src + 3 * size_t(x));
}

Expand24Row best_expand24_row() {
#if defined(LUMARIX_X86)
    return simd::pick<Expand24Row>(expand24_row, expand24_row_sse2, expand24_row_avx2);
#elif defined(LUMARIX_NEON)
    return simd::pick<Expand24Row>(expand24_row, expand24_row_neon);
#else
    return expand24_row;
#endif
}

}  // namespace lumarix::detail
