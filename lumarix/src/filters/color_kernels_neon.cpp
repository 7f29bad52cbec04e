// The colour filters' row kernels on NEON, four pixels per step; see color_simd_kernels.h.
#include "filters/color_simd_kernels.h"

namespace lumarix::filters {

const ColorKernels& neon_color_kernels() {
    static constexpr ColorKernels k = neon::make_color_kernels<simd::neon::V128>();
    return k;
}

}  // namespace lumarix::filters
