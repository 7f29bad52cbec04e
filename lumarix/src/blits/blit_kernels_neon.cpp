// The blits' row kernels on NEON, four pixels per step; see blit_simd_kernels.h.
#include "blits/blit_simd_kernels.h"

namespace lumarix::blits {

const RowKernels& neon_kernels() {
    static constexpr RowKernels k = neon::make_kernels<simd::neon::V128>();
    return k;
}

}  // namespace lumarix::blits
