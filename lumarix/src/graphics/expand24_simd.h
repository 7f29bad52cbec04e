// The 24-to-32-bit row written once over the operation wrappers of simd/ops.h, instantiated by
// expand24_sse2.cpp, expand24_avx2.cpp and expand24_neon.cpp. A step reads a few bytes past its own pixels
// (V::kPx24ReadBytes), so the steps stop where those bytes would leave the row; the rest goes
// through the per-pixel rule.
#pragma once

#include "graphics/expand24.h"
#include "simd/ops.h"

namespace lumarix::detail::LUMARIX_SIMD_NS {

template <class V>
void expand24_row(const uint8_t* src, uint8_t* dst, int32_t width) {
    constexpr int P = V::kPixels;
    int64_t x = 0;
    for (; 3 * x + V::kPx24ReadBytes <= 3 * int64_t(width); x += P) V::store(dst + 4 * x, V::load_px24(src + 3 * x));
    for (; x < width; ++x) px24_to_32(dst + 4 * x, src + 3 * x);
}

}  // namespace lumarix::detail::LUMARIX_SIMD_NS
