// The colour filters' row kernels on AVX-512 (F, BW, VL), sixteen pixels per step; see
// color_simd_kernels.h. Reached only through best_color_kernels() or after simd::use_avx512().
#include "filters/color_simd_kernels.h"

namespace lumarix::filters {

const ColorKernels& avx512_color_kernels() {
    static constexpr ColorKernels k = avx512::make_color_kernels<simd::avx512::V512>();
    return k;
}

}  // namespace lumarix::filters
