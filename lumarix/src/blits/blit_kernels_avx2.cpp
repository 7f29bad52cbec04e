// The blits' row kernels on AVX2, eight pixels per step; see blit_simd_kernels.h. Reached only
// through best_kernels() or after simd::use_avx2().
#include "blits/blit_simd_kernels.h"

namespace lumarix::blits {

const RowKernels& avx2_kernels() {
    static const RowKernels k = simd::make_kernels<V256>();
    return k;
}

}  // namespace lumarix::blits
