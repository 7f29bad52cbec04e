// AVX2 walk of the in-place box blur (see blur.cpp for the running sums): the four byte sums of
// a pixel sit in the four 64-bit lanes of one register, so a column sum, the window sum and the
// mean of a pixel are one vector each, and the division is one vpmuludq and one vpsrlvq.
// Called only after cpu_has_avx2(), for windows of at most kBlurMagicLimit pixels.
#include "filters/geometric_kernels.h"

#include <immintrin.h>

#include <algorithm>
#include <vector>

namespace lumarix::filters {

namespace {

inline __m256i widen(uint32_t px) { return _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(int32_t(px))); }

inline uint32_t narrow(__m256i q) {
    const __m256i low = _mm256_permutevar8x32_epi32(q, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
    const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(low), _mm256_castsi256_si128(low));
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

struct ReciprocalV {
    __m256i m, sh;
};

}  // namespace

void blur_rows_avx2(uint32_t* const* rows, int32_t width, int32_t height, int32_t radius) {
    const int32_t R = radius;
    std::vector<__m256i> colStore(size_t(width) + 2 * size_t(R) + 2, _mm256_setzero_si256());
    __m256i* col = colStore.data() + R + 1;

    std::vector<int32_t> colCount(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x) colCount[size_t(x)] = std::min(x + R, width - 1) - std::max(x - R, 0) + 1;
    const int32_t maxCols = int32_t(std::min<int64_t>(2 * int64_t(R) + 1, width));
    std::vector<ReciprocalV> recip(size_t(maxCols) + 1);

    for (int32_t yy = 0; yy <= std::min(R, height - 1); ++yy)
        for (int32_t c = 0; c < width; ++c) col[c] = _mm256_add_epi64(col[c], widen(rows[yy][c]));

    // Columns whose window is whole (all but R at each end) share one reciprocal.
    const int32_t innerBegin = std::min(R, width), innerEnd = std::max(innerBegin, width - R);

    for (int32_t y = 0; y < height; ++y) {
        const int64_t rowCount = std::min(y + R, height - 1) - std::max(y - R, 0) + 1;
        for (int32_t c = 1; c <= maxCols; ++c) {
            const Reciprocal r = reciprocal_for(uint64_t(rowCount) * uint64_t(c));
            recip[size_t(c)] = {_mm256_set1_epi64x(int64_t(r.m)), _mm256_set1_epi64x(int64_t(r.sh))};
        }

        __m256i win = _mm256_setzero_si256();
        for (int32_t c = 0; c <= std::min(R, width - 1); ++c) win = _mm256_add_epi64(win, col[c]);

        uint32_t* row = rows[y];
        auto step = [&](int32_t x, const ReciprocalV& r) {
            const __m256i q = _mm256_srlv_epi64(_mm256_mul_epu32(win, r.m), r.sh);
            const __m256i old = widen(row[x]);
            // The window's change apart from the new pixel is formed beside the division, so
            // one add of it and one of the quotient are all that wait for the window.
            const __m256i shift = _mm256_sub_epi64(_mm256_sub_epi64(col[x + R + 1], col[x - R]), old);
            col[x] = _mm256_add_epi64(col[x], _mm256_sub_epi64(q, old));
            win = _mm256_add_epi64(_mm256_add_epi64(win, shift), q);
            row[x] = narrow(q);
        };
        int32_t x = 0;
        for (; x < innerBegin; ++x) step(x, recip[size_t(colCount[size_t(x)])]);
        const ReciprocalV inner = recip[size_t(maxCols)];
        for (; x < innerEnd; ++x) step(x, inner);
        for (; x < width; ++x) step(x, recip[size_t(colCount[size_t(x)])]);

        const bool gain = y + R + 1 < height, lose = y - R >= 0;
        const uint32_t* below = gain ? rows[y + R + 1] : nullptr;
        const uint32_t* above = lose ? rows[y - R] : nullptr;
        if (gain && lose) {
            for (int32_t c = 0; c < width; ++c)
                col[c] = _mm256_sub_epi64(_mm256_add_epi64(col[c], widen(below[c])), widen(above[c]));
        } else if (gain) {
            for (int32_t c = 0; c < width; ++c) col[c] = _mm256_add_epi64(col[c], widen(below[c]));
        } else if (lose) {
            for (int32_t c = 0; c < width; ++c) col[c] = _mm256_sub_epi64(col[c], widen(above[c]));
        }
    }
}

}  // namespace lumarix::filters
