// Nearest-neighbour zooms with SSE2: the same bytes as saikin_model (zoom_nearest.cpp).
//
// Copy rule: four sampled pixels are gathered with scalar loads (the positions are arbitrary)
// and stored as one vector; with AVX2 and a step below one pixel, eight samples come from one
// load and a permute (zoom_avx2.cpp). A destination row that samples the same source row as the
// row above it is a copy of that row.
// Blend rules: the sampled pixels of a strip of columns are gathered once per source row into a
// line on the stack, then blended over each destination row that samples that row, four pixels
// at a time (eight with AVX2, zoom_avx2.cpp). The blends run in 16-bit lanes, where the weights
// of every rule sum to 256 and no lane exceeds 255 * 256. Every rule keeps the source's fourth
// byte (the masked rules store m, which is that byte), so it is put back after packing.
#include "zoom/zoom_p.h"

#include <emmintrin.h>

#include <cstring>

namespace lumarix::zoom {

namespace {

// Source weight and destination weight per 16-bit lane, from the source pixels' lanes.
template <SaikinRule R, bool FullAlpha>
inline void weights(__m128i s16, __m128i alpha, __m128i& ws, __m128i& wd) {
    const __m128i k256 = _mm_set1_epi16(256);
    if constexpr (R == SaikinRule::alpha) {
        ws = alpha;
        wd = _mm_sub_epi16(k256, alpha);
    } else {
        const __m128i m = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
        if constexpr (R == SaikinRule::masked) {
            ws = _mm_sub_epi16(_mm_set1_epi16(255), m);
            wd = _mm_add_epi16(m, _mm_set1_epi16(1));
        } else {
            // (256 - m) * alpha overflows 16 bits only for alpha = 256, where it is (256 - m) << 8.
            const __m128i inv = _mm_sub_epi16(k256, m);
            ws = FullAlpha ? inv : _mm_srli_epi16(_mm_mullo_epi16(inv, alpha), 8);
            wd = _mm_sub_epi16(k256, ws);
        }
    }
}

// Four pixels of a blend rule: sv the source pixels, dv the destination pixels.
template <SaikinRule R, bool FullAlpha>
inline __m128i blend4(__m128i sv, __m128i dv, __m128i a16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i fourth = _mm_set1_epi32(int32_t(0xFF000000u));
    const __m128i slo = _mm_unpacklo_epi8(sv, zero), shi = _mm_unpackhi_epi8(sv, zero);
    const __m128i dlo = _mm_unpacklo_epi8(dv, zero), dhi = _mm_unpackhi_epi8(dv, zero);
    __m128i wsl, wdl, wsh, wdh;
    weights<R, FullAlpha>(slo, a16, wsl, wdl);
    weights<R, FullAlpha>(shi, a16, wsh, wdh);
    const __m128i rlo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dlo, wdl), _mm_mullo_epi16(slo, wsl)), 8);
    const __m128i rhi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dhi, wdh), _mm_mullo_epi16(shi, wsh)), 8);
    const __m128i colour = _mm_andnot_si128(fourth, _mm_packus_epi16(rlo, rhi));
    return _mm_or_si128(colour, _mm_and_si128(sv, fourth));
}

// Copy rule: samples straight into the destination row.
void copy_row_sse2(uint32_t* d, const uint32_t* s, uint32_t acc, uint32_t step, int32_t i, int32_t n) {
    acc += uint32_t(i) * step;
    for (; i + 4 <= n; i += 4) {
        const uint32_t p0 = s[acc >> 16];
        acc += step;
        const uint32_t p1 = s[acc >> 16];
        acc += step;
        const uint32_t p2 = s[acc >> 16];
        acc += step;
        const uint32_t p3 = s[acc >> 16];
        acc += step;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_setr_epi32(int32_t(p0), int32_t(p1), int32_t(p2), int32_t(p3)));
    }
    for (; i < n; ++i, acc += step) d[i] = s[acc >> 16];
}

// Blend rules: the sampled pixels of a strip (gathered once per source row) over the destination.
template <SaikinRule R, bool FullAlpha>
void blend_row_sse2(uint32_t* d, const uint32_t* s, int32_t i, int32_t n, uint32_t alpha) {
    const __m128i a16 = _mm_set1_epi16(int16_t(alpha));
    for (; i + 4 <= n; i += 4) {
        auto* out = reinterpret_cast<__m128i*>(d + i);
        _mm_storeu_si128(out, blend4<R, FullAlpha>(_mm_load_si128(reinterpret_cast<const __m128i*>(s + i)),
                                                   _mm_loadu_si128(out), a16));
    }
    for (; i < n; ++i) d[i] = saikin_px(R, s[i], d[i], alpha);
}

using BlendFn = void (*)(uint32_t*, const uint32_t*, int32_t, int32_t, uint32_t);

BlendFn pick_blend(SaikinRule rule, uint32_t alpha) {
    switch (rule) {
        case SaikinRule::masked: return blend_row_sse2<SaikinRule::masked, false>;
        case SaikinRule::masked_alpha:
            return alpha == 256 ? blend_row_sse2<SaikinRule::masked_alpha, true>
                                : blend_row_sse2<SaikinRule::masked_alpha, false>;
        default: return blend_row_sse2<SaikinRule::alpha, false>;
    }
}

// Fetches the columns from..to-1 of a source row that the next destination row will sample.
void prefetch_span(TBitmap& src, int32_t row, int32_t from, int32_t to) {
    const char* p = reinterpret_cast<const char*>(src.ScanLine(row));
    for (int64_t byte = int64_t(from) * 4; byte < int64_t(to) * 4; byte += 64) _mm_prefetch(p + byte, _MM_HINT_T0);
}

template <unsigned F>
void gather(uint32_t* line, const uint32_t* srow, uint32_t acc, uint32_t step, int32_t k, int32_t inside,
            int32_t n, uint32_t last) {
    acc += uint32_t(k) * step;
    for (; k + 2 <= inside; k += 2) {
        line[k] = srow[acc >> F];
        line[k + 1] = srow[(acc + step) >> F];
        acc += 2 * step;
    }
    for (; k < inside; ++k, acc += step) line[k] = srow[acc >> F];
    for (; k < n; ++k) line[k] = last;
}

constexpr int32_t kStrip = 2048;

void copy_zoom(const SaikinSetup& s, TBitmap& src, TBitmap& dst) {
    // A destination row that samples the same source row as the row above it is that row again.
    const bool repeatRows = &src != &dst;
    const int32_t width = s.f.width;
    int32_t prevSource = -1;
    const uint32_t* prevRow = nullptr;
    for (int32_t j = 0; j < s.f.height; ++j) {
        const int32_t r = saikin_row(s, j);
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + j)) + s.f.dstLeft;
        if (repeatRows && r == prevSource) {
            std::memcpy(drow, prevRow, size_t(width) * 4);
            continue;
        }
        if (j + 1 < s.f.height && saikin_row(s, j + 1) != r)
            prefetch_span(src, saikin_row(s, j + 1), saikin_col(s, 0), saikin_col(s, width - 1) + 1);
        const auto* srow = reinterpret_cast<const uint32_t*>(src.ScanLine(r));
        const int32_t done =
            s.wide ? saikin_gather_avx2(drow, srow, s.f.srcWidth, s.startX, s.stepX, 16, s.inside) : 0;
        copy_row_sse2(drow, srow, s.startX, s.stepX, done, s.inside);
        // Past the source's right edge every sample is its last column.
        for (int32_t i = s.inside; i < width; ++i) drow[i] = srow[s.f.srcWidth - 1];
        prevSource = r;
        prevRow = drow;
    }
}

}  // namespace

void saikin_sse2(const SaikinSetup& s, TBitmap& src, TBitmap& dst) {
    if (s.rule == SaikinRule::copy) return copy_zoom(s, src, dst);
    const BlendFn blend = pick_blend(s.rule, s.alpha);
    alignas(32) uint32_t line[kStrip];
    for (int32_t c0 = 0; c0 < s.f.width; c0 += kStrip) {
        const int32_t n = std::min(kStrip, s.f.width - c0);
        const int32_t inside = std::clamp(s.inside - c0, 0, n);
        const uint32_t acc = s.startX + uint32_t(c0) * s.stepX;
        int32_t cached = -1;
        for (int32_t j = 0; j < s.f.height; ++j) {
            const int32_t r = saikin_row(s, j);
            if (r != cached) {
                const auto* srow = reinterpret_cast<const uint32_t*>(src.ScanLine(r));
                const uint32_t last = srow[s.f.srcWidth - 1];
                if (j + 1 < s.f.height && saikin_row(s, j + 1) != r)
                    prefetch_span(src, saikin_row(s, j + 1), saikin_col(s, c0), saikin_col(s, c0 + n - 1) + 1);
                const int32_t done =
                    s.wide ? saikin_gather_avx2(line, srow, s.f.srcWidth, acc, s.stepX, s.shift, inside) : 0;
                if (s.shift == 8)
                    gather<8>(line, srow, acc, s.stepX, done, inside, n, last);
                else
                    gather<16>(line, srow, acc, s.stepX, done, inside, n, last);
                cached = r;
            }
            auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + j)) + s.f.dstLeft + c0;
            const int32_t done = s.wide ? saikin_blend_avx2(s.rule, drow, line, n, s.alpha) : 0;
            blend(drow, line, done, n, s.alpha);
        }
    }
}

}  // namespace lumarix::zoom
