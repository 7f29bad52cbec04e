// The blur's row walk on SSE2, a pixel's four sums in two registers; see blur_simd_kernels.h.
// Reached only through pick_blur_rows() at the SSE2 level.
#include "filters/blur_simd_kernels.h"

namespace lumarix::filters {

void blur_rows_sse2(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii) {
    sse2::blur_rows<simd::sse2::V128>(rows, width, height, radii);
}

}  // namespace lumarix::filters
