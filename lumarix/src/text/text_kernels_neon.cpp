// The text row kernels on NEON; see text_simd_kernels.h.
#include "text/text_simd_kernels.h"

namespace lumarix::text {

const TextKernels& neon_text_kernels() {
    static constexpr TextKernels k = neon::make_text_kernels<simd::neon::V128>();
    return k;
}

}  // namespace lumarix::text
