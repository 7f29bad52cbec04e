// The mirror's row reversal on NEON, four pixels from each end per step; see
// reverse_simd_kernels.h.
#include "filters/geometric_kernels.h"
#include "filters/reverse_simd_kernels.h"

namespace lumarix::filters {

void reverse_row_neon(uint32_t* row, int32_t n) { neon::reverse_row<simd::neon::V128>(row, n); }

}  // namespace lumarix::filters
