// The text row kernels on SSE2; see text_simd_kernels.h.
#include "text/text_simd_kernels.h"

namespace lumarix::text {

const TextKernels& sse2_text_kernels() {
    static constexpr TextKernels k = sse2::make_text_kernels<simd::sse2::V128>();
    return k;
}

}  // namespace lumarix::text
