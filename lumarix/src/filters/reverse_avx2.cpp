// The mirror's row reversal on AVX2, eight pixels from each end per step; see
// reverse_simd_kernels.h. Called only after simd::use_avx2().
#include "filters/geometric_kernels.h"
#include "filters/reverse_simd_kernels.h"

namespace lumarix::filters {

void reverse_row_avx2(uint32_t* row, int32_t n) { avx2::reverse_row<simd::avx2::V256>(row, n); }

}  // namespace lumarix::filters
