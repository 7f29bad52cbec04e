// SSE2 twins of the colour-filter row kernels: four pixels (sixteen bytes) per step, the tail
// through the plain per-pixel rule.
//
// Luminance: blue and red sit in the even 16-bit halves of a pixel word, green and the fourth
// byte in the odd ones, so two pmaddwd give 29 blue + 77 red and 150 green + 0 per pixel, whose
// sum >> 8 is the grey.
#include "filters/color_kernels.h"

#include <emmintrin.h>

namespace lumarix::filters {

void mono_yuv_row_sse2(uint32_t* row, int32_t n) {
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i weightsBR = _mm_set1_epi32((77 << 16) | 29);
    const __m128i weightsG = _mm_set1_epi32(150);
    const __m128i fourth = _mm_set1_epi32(int32_t(0xFF000000u));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(row + i);
        const __m128i v = _mm_loadu_si128(p);
        const __m128i br = _mm_and_si128(v, lowBytes);
        const __m128i ga = _mm_srli_epi16(v, 8);
        const __m128i y = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(br, weightsBR), _mm_madd_epi16(ga, weightsG)), 8);
        const __m128i grey = _mm_or_si128(_mm_or_si128(y, _mm_slli_epi32(y, 8)), _mm_slli_epi32(y, 16));
        _mm_storeu_si128(p, _mm_or_si128(grey, _mm_and_si128(v, fourth)));
    }
    for (; i < n; ++i) row[i] = mono_yuv_px(row[i]);
}

void posterize_bytes_sse2(uint8_t* bytes, int64_t n, const Posterize& p) {
    if (p.step <= 1) return;
    int64_t i = 0;
    if (p.mask != 0) {
        const __m128i mask = _mm_set1_epi8(char(p.mask));
        for (; i + 16 <= n; i += 16) {
            __m128i* q = reinterpret_cast<__m128i*>(bytes + i);
            _mm_storeu_si128(q, _mm_and_si128(_mm_loadu_si128(q), mask));
        }
    } else {
        const __m128i zero = _mm_setzero_si128();
        const __m128i recip = _mm_set1_epi16(int16_t(p.reciprocal));
        const __m128i step = _mm_set1_epi16(int16_t(p.step));
        for (; i + 16 <= n; i += 16) {
            __m128i* q = reinterpret_cast<__m128i*>(bytes + i);
            const __m128i v = _mm_loadu_si128(q);
            const __m128i lo = _mm_mullo_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(v, zero), recip), step);
            const __m128i hi = _mm_mullo_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(v, zero), recip), step);
            _mm_storeu_si128(q, _mm_packus_epi16(lo, hi));
        }
    }
    for (; i < n; ++i) bytes[i] = posterize_byte(bytes[i], p.step);
}

}  // namespace lumarix::filters
