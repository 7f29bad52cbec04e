// The plain 24-to-32-bit row, the model of the SIMD ones, and the choice of the table to run.
// Built without SIMD flags.
#include "graphics/expand24_kernels.h"

#include "simd/cpu.h"

namespace lumarix::detail {

namespace {

void expand24_row(const uint8_t* src, uint8_t* dst, int32_t width) {
    for (int32_t x = width; x-- > 0;) px24_to_32(dst + 4 * size_t(x), src + 3 * size_t(x));
}

}  // namespace

const Expand24Kernels& scalar_expand24_kernels() {
    static constexpr Expand24Kernels k{.row = expand24_row};
    return k;
}

const Expand24Kernels& best_expand24_kernels() {
#if defined(LUMARIX_X86)
    return simd::pick(scalar_expand24_kernels, sse2_expand24_kernels, avx2_expand24_kernels)();
#elif defined(LUMARIX_NEON)
    return simd::pick(scalar_expand24_kernels, neon_expand24_kernels)();
#else
    return scalar_expand24_kernels();
#endif
}

}  // namespace lumarix::detail
