// AVX2 row reversal: eight pixels from each end per step (see reverse_sse2.cpp).
#include "filters/geometric_kernels.h"

#include <immintrin.h>

#include <algorithm>

namespace lumarix::filters {

void reverse_row_avx2(uint32_t* row, int32_t n) {
    const __m256i turn = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int32_t lo = 0, hi = n;
    for (; hi - lo >= 16; lo += 8, hi -= 8) {
        __m256i* a = reinterpret_cast<__m256i*>(row + lo);
        __m256i* b = reinterpret_cast<__m256i*>(row + hi - 8);
        const __m256i left = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(a), turn);
        const __m256i right = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(b), turn);
        _mm256_storeu_si256(a, right);
        _mm256_storeu_si256(b, left);
    }
    std::reverse(row + lo, row + hi);
}

}  // namespace lumarix::filters
