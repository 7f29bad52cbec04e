// The colour filters' row kernels on SSE2, four pixels per step; see color_simd_kernels.h.
#include "filters/color_simd_kernels.h"

namespace lumarix::filters {

const ColorKernels& sse2_color_kernels() {
    static constexpr ColorKernels k = sse2::make_color_kernels<simd::sse2::V128>();
    return k;
}

}  // namespace lumarix::filters
