// The blits' row kernels on AVX-512 (F, BW, VL), sixteen pixels per step; see
// blit_simd_kernels.h. Reached only through best_kernels() or after simd::use_avx512().
#include "blits/blit_simd_kernels.h"

namespace lumarix::blits {

const RowKernels& avx512_kernels() {
    static constexpr RowKernels k = avx512::make_kernels<simd::avx512::V512>();
    return k;
}

}  // namespace lumarix::blits
