// The geometric filters' kernels on NEON, four pixels per step; see geometric_simd_kernels.h.
#include "filters/geometric_simd_kernels.h"

namespace lumarix::filters {

const GeometricKernels& neon_geometric_kernels() {
    static constexpr GeometricKernels k = neon::make_geometric_kernels<simd::neon::V128>();
    return k;
}

}  // namespace lumarix::filters
