// SSE2 row reversal: four pixels from each end per step, each group turned with one shuffle and
// stored at the other end; the middle, under eight pixels, is reversed plainly.
#include "filters/geometric_kernels.h"

#include <emmintrin.h>

#include <algorithm>

namespace lumarix::filters {

void reverse_row_sse2(uint32_t* row, int32_t n) {
    int32_t lo = 0, hi = n;
    for (; hi - lo >= 8; lo += 4, hi -= 4) {
        __m128i* a = reinterpret_cast<__m128i*>(row + lo);
        __m128i* b = reinterpret_cast<__m128i*>(row + hi - 4);
        const __m128i left = _mm_shuffle_epi32(_mm_loadu_si128(a), 0x1B);
        const __m128i right = _mm_shuffle_epi32(_mm_loadu_si128(b), 0x1B);
        _mm_storeu_si128(a, right);
        _mm_storeu_si128(b, left);
    }
    std::reverse(row + lo, row + hi);
}

}  // namespace lumarix::filters
