// The 24-to-32-bit row on NEON, four pixels per step; see expand24_simd_kernels.h.
#include "graphics/expand24_simd_kernels.h"

namespace lumarix::detail {

const Expand24Kernels& neon_expand24_kernels() {
    static constexpr Expand24Kernels k = neon::make_expand24_kernels<simd::neon::V128>();
    return k;
}

}  // namespace lumarix::detail
