// The mirror's row reversal on SSE2, four pixels from each end per step; see
// reverse_simd_kernels.h.
#include "filters/geometric_kernels.h"
#include "filters/reverse_simd_kernels.h"

namespace lumarix::filters {

void reverse_row_sse2(uint32_t* row, int32_t n) { sse2::reverse_row<simd::sse2::V128>(row, n); }

}  // namespace lumarix::filters
