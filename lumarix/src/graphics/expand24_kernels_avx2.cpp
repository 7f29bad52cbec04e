// The 24-to-32-bit row on AVX2, eight pixels per step; see expand24_simd_kernels.h.
#include "graphics/expand24_simd_kernels.h"

namespace lumarix::detail {

const Expand24Kernels& avx2_expand24_kernels() {
    static constexpr Expand24Kernels k = avx2::make_expand24_kernels<simd::avx2::V256>();
    return k;
}

}  // namespace lumarix::detail
