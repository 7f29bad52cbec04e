// The 24-to-32-bit row on AVX2, eight pixels per step; see expand24_simd.h. Reached only through
// best_expand24_row().
#include "graphics/expand24_simd.h"

namespace lumarix::detail {

void expand24_row_avx2(const uint8_t* src, uint8_t* dst, int32_t width) {
    avx2::expand24_row<simd::avx2::V256>(src, dst, width);
}

}  // namespace lumarix::detail
