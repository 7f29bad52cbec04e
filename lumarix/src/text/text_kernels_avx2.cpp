// The text row kernels on AVX2; see text_simd_kernels.h. Reached only through
// best_text_kernels(), after the processor was asked.
#include "text/text_simd_kernels.h"

namespace lumarix::text {

const TextKernels& avx2_text_kernels() {
    static constexpr TextKernels k = avx2::make_text_kernels<simd::avx2::V256>();
    return k;
}

}  // namespace lumarix::text
