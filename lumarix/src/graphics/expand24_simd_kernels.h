// The 24-to-32-bit row written once over the operation wrappers of simd/ops.h, instantiated by
// expand24_kernels_sse2.cpp, expand24_kernels_avx2.cpp and expand24_kernels_neon.cpp. A step reads a few bytes past its
// own pixels (V::kPx24ReadBytes), so the steps stop where those bytes would leave the row; the
// rest goes through the per-pixel rule. The row is walked right to left (see Expand24Row): a
// step loads before it stores, and in a buffer widened in place its store reaches only bytes at
// or after its own source, which the steps still to come read at most as the spare bytes past
// their pixels.
#pragma once

#include "graphics/expand24_kernels.h"
#include "simd/ops.h"

namespace lumarix::detail::LUMARIX_SIMD_NS {

template <class V>
void expand24_row(const uint8_t* src, uint8_t* dst, int32_t width) {
    constexpr int64_t P = V::kPixels;
    const int64_t rowBytes = 3 * int64_t(width);
    const int64_t steps = rowBytes >= V::kPx24ReadBytes ? (rowBytes - V::kPx24ReadBytes) / (3 * P) + 1 : 0;
    for (int64_t x = width; x-- > steps * P;) px24_to_32(dst + 4 * x, src + 3 * x);
    for (int64_t x = (steps - 1) * P; x >= 0; x -= P) V::store(dst + 4 * x, V::load_px24(src + 3 * x));
}

template <class V>
constexpr Expand24Kernels make_expand24_kernels() {
    return Expand24Kernels{.row = expand24_row<V>};
}

}  // namespace lumarix::detail::LUMARIX_SIMD_NS
