// AVX2 twins of the colour-filter row kernels (eight pixels per step); same arithmetic as the
// SSE2 twins, the tail through the plain per-pixel rule. Called only after simd::use_avx2().
#include "filters/color_kernels.h"

#include <immintrin.h>

namespace lumarix::filters {

void mono_yuv_row_avx2(uint32_t* row, int32_t n) {
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    const __m256i weightsBR = _mm256_set1_epi32((77 << 16) | 29);
    const __m256i weightsG = _mm256_set1_epi32(150);
    const __m256i fourth = _mm256_set1_epi32(int32_t(0xFF000000u));
    const __m256i spread = _mm256_set1_epi32(0x010101);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i* p = reinterpret_cast<__m256i*>(row + i);
        const __m256i v = _mm256_loadu_si256(p);
        const __m256i br = _mm256_and_si256(v, lowBytes);
        const __m256i ga = _mm256_srli_epi16(v, 8);
        const __m256i y =
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(br, weightsBR), _mm256_madd_epi16(ga, weightsG)), 8);
        const __m256i grey = _mm256_mullo_epi32(y, spread);
        _mm256_storeu_si256(p, _mm256_or_si256(grey, _mm256_and_si256(v, fourth)));
    }
    for (; i < n; ++i) row[i] = mono_yuv_px(row[i]);
}

void posterize_bytes_avx2(uint8_t* bytes, int64_t n, const Posterize& p) {
    if (p.step <= 1) return;
    int64_t i = 0;
    if (p.mask != 0) {
        const __m256i mask = _mm256_set1_epi8(char(p.mask));
        for (; i + 32 <= n; i += 32) {
            __m256i* q = reinterpret_cast<__m256i*>(bytes + i);
            _mm256_storeu_si256(q, _mm256_and_si256(_mm256_loadu_si256(q), mask));
        }
    } else {
        // unpack/pack work within 128-bit halves, so the byte order survives the round trip.
        const __m256i zero = _mm256_setzero_si256();
        const __m256i recip = _mm256_set1_epi16(int16_t(p.reciprocal));
        const __m256i step = _mm256_set1_epi16(int16_t(p.step));
        for (; i + 32 <= n; i += 32) {
            __m256i* q = reinterpret_cast<__m256i*>(bytes + i);
            const __m256i v = _mm256_loadu_si256(q);
            const __m256i lo = _mm256_mullo_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(v, zero), recip), step);
            const __m256i hi = _mm256_mullo_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(v, zero), recip), step);
            _mm256_storeu_si256(q, _mm256_packus_epi16(lo, hi));
        }
    }
    for (; i < n; ++i) bytes[i] = posterize_byte(bytes[i], p.step);
}

}  // namespace lumarix::filters
