// The geometric filters' kernels on SSE2, four pixels per step; see geometric_simd_kernels.h.
#include "filters/geometric_simd_kernels.h"

namespace lumarix::filters {

const GeometricKernels& sse2_geometric_kernels() {
    static constexpr GeometricKernels k = sse2::make_geometric_kernels<simd::sse2::V128>();
    return k;
}

}  // namespace lumarix::filters
