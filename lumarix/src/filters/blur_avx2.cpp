// The blur's row walk on AVX2, a pixel's four sums in one register; see blur_simd_kernels.h.
// Reached only through pick_blur_rows() at the AVX2 level.
#include "filters/blur_simd_kernels.h"

namespace lumarix::filters {

void blur_rows_avx2(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii) {
    avx2::blur_rows<simd::avx2::V256>(rows, width, height, radii);
}

}  // namespace lumarix::filters
