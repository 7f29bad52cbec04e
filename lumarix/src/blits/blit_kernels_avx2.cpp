// The blits' row kernels on AVX2, eight pixels per step; see blit_simd_kernels.h. Reached only
// through best_kernels() or after simd::use_avx2().
#include "blits/blit_simd_kernels.h"

namespace lumarix::blits {

const RowKernels& avx2_kernels() {
    static constexpr RowKernels k = avx2::make_kernels<simd::avx2::V256>();
    return k;
}

}  // namespace lumarix::blits
