// The 24-to-32-bit row on NEON, four pixels per step; see expand24_simd.h.
#include "graphics/expand24_simd.h"

namespace lumarix::detail {

void expand24_row_neon(const uint8_t* src, uint8_t* dst, int32_t width) {
    neon::expand24_row<simd::neon::V128>(src, dst, width);
}

}  // namespace lumarix::detail
