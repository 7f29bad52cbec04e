// The geometric filters' kernels on AVX2, eight pixels per step; see geometric_simd_kernels.h.
#include "filters/geometric_simd_kernels.h"

namespace lumarix::filters {

const GeometricKernels& avx2_geometric_kernels() {
    static constexpr GeometricKernels k = avx2::make_geometric_kernels<simd::avx2::V256>();
    return k;
}

}  // namespace lumarix::filters
