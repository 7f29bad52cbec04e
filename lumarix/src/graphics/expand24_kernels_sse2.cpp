// The 24-to-32-bit row on SSE2, four pixels per step; see expand24_simd_kernels.h.
#include "graphics/expand24_simd_kernels.h"

namespace lumarix::detail {

const Expand24Kernels& sse2_expand24_kernels() {
    static constexpr Expand24Kernels k = sse2::make_expand24_kernels<simd::sse2::V128>();
    return k;
}

}  // namespace lumarix::detail
