// The rotation's row kernel on AVX2; see rotate_simd_kernels.h. Reached only through
// pick_rotate_row() at the AVX2 level.
#include "filters/rotate_simd_kernels.h"

namespace lumarix::filters {

void rotate_row_avx2(const RotationRow& job) { avx2::rotate_row<simd::avx2::V256>(job); }

}  // namespace lumarix::filters
