// The blur's row walk on NEON, a pixel's four sums in one register; see blur_simd_kernels.h.
#include "filters/blur_simd_kernels.h"

namespace lumarix::filters {

void blur_rows_neon(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii) {
    neon::blur_rows<simd::neon::V128>(rows, width, height, radii);
}

}  // namespace lumarix::filters
