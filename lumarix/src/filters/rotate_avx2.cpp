// AVX2 rotation row: eight destination pixels per step, their source offsets
// (y >> 10) * stride + (x >> 10) formed in 32-bit lanes and fetched with one gather. The
// positions advance by eight steps of (cosK, sinK) per iteration; the tail uses the plain rule.
// Called only after simd::use_avx2(), with job.base set (see RotationRow).
#include "filters/geometric_kernels.h"

#include <immintrin.h>

namespace lumarix::filters {

void rotate_row_avx2(const RotationRow& job) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i x = _mm256_add_epi32(_mm256_set1_epi32(int32_t(job.x)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(job.cosK)));
    __m256i y = _mm256_add_epi32(_mm256_set1_epi32(int32_t(job.y)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(job.sinK)));
    const __m256i stepX = _mm256_set1_epi32(8 * job.cosK), stepY = _mm256_set1_epi32(8 * job.sinK);
    const __m256i stride = _mm256_set1_epi32(job.stride);
    const int* base = reinterpret_cast<const int*>(job.base);
    int32_t n = 0;
    for (; n + 8 <= job.count; n += 8) {
        const __m256i offset =
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(y, 10), stride), _mm256_srai_epi32(x, 10));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(job.dst + n), _mm256_i32gather_epi32(base, offset, 4));
        x = _mm256_add_epi32(x, stepX);
        y = _mm256_add_epi32(y, stepY);
    }
    int64_t px = job.x + int64_t(n) * job.cosK, py = job.y + int64_t(n) * job.sinK;
    for (; n < job.count; ++n) {
        job.dst[n] = job.srcRows[py >> 10][px >> 10];
        px += job.cosK;
        py += job.sinK;
    }
}

}  // namespace lumarix::filters
