// The colour filters' row kernels on AVX2, eight pixels per step; see color_simd_kernels.h.
// Reached only through best_color_kernels() or after simd::use_avx2().
#include "filters/color_simd_kernels.h"

namespace lumarix::filters {

const ColorKernels& avx2_color_kernels() {
    static constexpr ColorKernels k = avx2::make_color_kernels<simd::avx2::V256>();
    return k;
}

}  // namespace lumarix::filters
