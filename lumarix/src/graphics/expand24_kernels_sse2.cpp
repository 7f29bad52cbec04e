// The 24-to-32-bit row on SSE2, four pixels per step; see expand24_simd.h.
#include "graphics/expand24_simd.h"

namespace lumarix::detail {

void expand24_row_sse2(const uint8_t* src, uint8_t* dst, int32_t width) {
    sse2::expand24_row<simd::sse2::V128>(src, dst, width);
}

}  // namespace lumarix::detail
