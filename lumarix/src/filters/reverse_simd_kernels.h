// The row reversal of the mirror, written once over the operation wrappers of simd/ops.h and
// instantiated through geometric_simd_kernels.h: one step of pixels from each end per step, each group turned in its register and stored at the other end; the middle, under two
// steps, is swapped pixel by pixel as the plain reversal does.
#pragma once

#include "simd/ops.h"

#include <cstdint>

namespace lumarix::filters::LUMARIX_SIMD_NS {

template <class V>
void reverse_row(uint32_t* row, int32_t n) {
    constexpr int P = V::kPixels;
    int32_t lo = 0, hi = n;
    for (; hi - lo >= 2 * P; lo += P, hi -= P) {
        auto* a = reinterpret_cast<uint8_t*>(row + lo);
        auto* b = reinterpret_cast<uint8_t*>(row + hi - P);
        const auto left = V::reverse32(V::load(a)), right = V::reverse32(V::load(b));
        V::store(a, right);
        V::store(b, left);
    }
    for (--hi; lo < hi; ++lo, --hi) {
        const uint32_t t = row[lo];
        row[lo] = row[hi];
        row[hi] = t;
    }
}

}  // namespace lumarix::filters::LUMARIX_SIMD_NS
