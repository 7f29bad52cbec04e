// The blits' row kernels on SSE2, four pixels per step; see blit_simd_kernels.h.
#include "blits/blit_simd_kernels.h"

namespace lumarix::blits {

const RowKernels& sse2_kernels() {
    static constexpr RowKernels k = sse2::make_kernels<simd::sse2::V128>();
    return k;
}

}  // namespace lumarix::blits
