// Bilinear zooms with SSE2: the same bytes as bilinear_model (zoom_bilinear.cpp).
//
// The interpolation is split into its horizontal and vertical halves. The horizontal half of a
// source row depends only on the row and the column positions, which are the same for every
// destination row, so it is computed once per source row into a cache of two rows and reused
// while destination rows keep sampling the same rows (an enlargement reads each source row once).
// The vertical half and the blend then stream over the cached rows, four pixels at a time.
//
// The destination is processed in strips of kStrip columns so that the column table (load
// offset and weights per column) and the two cached rows have a fixed size. They take about
// 116 KB, more than a small thread stack can spare, so they live in a per-thread block on the
// heap, allocated at a thread's first bilinear zoom and kept for its next ones.
//
// Horizontal half, per byte, in 16-bit lanes:
//   MMX family  h = (l * (T - fx) + r * fx) >> s, at most 254 (T = 255) or 255 (T = 128): a byte
//   plain       U = l * (256 - fx) + r * fx, exact, at most 65280: kept as 16 bits
// Vertical half:
//   MMX family  v = (hu * (T - fy) + hl * fy) >> s
//   plain       floor(((256 - fy) * U + fy * L) / 65536), exact in 16-bit lanes by splitting
//               U and L into high and low bytes: S1 = Uh * (256 - fy) + Lh * fy,
//               S0 = Ul * (256 - fy) + Ll * fy, result = (S1 + (S0 >> 8)) >> 8.
// A column whose right neighbour lies past the source row loads the last two columns with the
// weights 0 and T, which is the last column times T as the model computes it. With AVX2, groups
// of eight columns whose samples lie close together (enlargements) take the horizontal half
// from two loads and two permutes instead (zoom_avx2.cpp).
#include "zoom/zoom_p.h"

#include <emmintrin.h>

#include <memory>

namespace lumarix::zoom {

namespace {

constexpr int32_t kStrip = 2048;

struct ColumnTable {
    int32_t off[kStrip + 4];
    __m128i wl[(kStrip + 4) / 2];   // left weights of a pair of pixels, 4 lanes each
    __m128i wr[(kStrip + 4) / 2];
    BilinearWideColumns wide;       // filled only when the AVX2 code runs
    int32_t wideGroups = 0;
};

// The AVX2 table: a group is fast when its left neighbours span at most eight columns from the
// first, all right neighbours are the next column, and both loads stay inside the row.
void build_wide_columns(const BilinearSetup& b, int32_t c0, int32_t n, ColumnTable& t) {
    BilinearWideColumns& w = t.wide;
    t.wideGroups = n / 8;
    static constexpr int kLane[8] = {0, 4, 0, 4, 8, 12, 8, 12};  // 16-bit lane of pixel k in its half
    for (int32_t g = 0; g < t.wideGroups; ++g) {
        ColSample cs[8];
        for (int k = 0; k < 8; ++k) cs[k] = bilinear_col(b, c0 + 8 * g + k);
        const int32_t first = cs[0].left;
        bool fast = int64_t(first) + 9 <= b.f.srcWidth;
        for (int k = 0; k < 8; ++k) {
            fast = fast && cs[k].right == cs[k].left + 1 && cs[k].left - first >= 0 && cs[k].left - first < 8;
            w.rel[g][k] = fast ? cs[k].left - first : 0;
            uint16_t* wl = (k & 2) ? w.wlHi[g] : w.wlLo[g];
            uint16_t* wr = (k & 2) ? w.wrHi[g] : w.wrLo[g];
            for (int c = 0; c < 4; ++c) {
                wl[kLane[k] + c] = uint16_t(b.full - cs[k].fx);
                wr[kLane[k] + c] = uint16_t(cs[k].fx);
            }
        }
        w.first[g] = first;
        w.fast[g] = fast;
    }
}

void build_columns(const BilinearSetup& b, int32_t c0, int32_t n, ColumnTable& t) {
    const int32_t padded = (n + 3) & ~3;
    const int32_t lastPair = b.f.srcWidth - 2;
    uint16_t wl[2], wr[2];
    for (int32_t k = 0; k < padded; ++k) {
        int32_t off = 0;
        uint32_t l = 0, r = 0;
        if (k >= n) {
            off = t.off[0];  // padding: any valid load, weight 0
        } else {
            const ColSample cs = bilinear_col(b, c0 + k);
            if (cs.right == cs.left + 1) {
                off = cs.left;
                l = b.full - cs.fx;
                r = cs.fx;
            } else {
                off = lastPair;
                r = b.full;
            }
        }
        t.off[k] = off;
        wl[k & 1] = uint16_t(l);
        wr[k & 1] = uint16_t(r);
        if (k & 1) {
            t.wl[k / 2] = _mm_setr_epi16(wl[0], wl[0], wl[0], wl[0], wl[1], wl[1], wl[1], wl[1]);
            t.wr[k / 2] = _mm_setr_epi16(wr[0], wr[0], wr[0], wr[0], wr[1], wr[1], wr[1], wr[1]);
        }
    }
}

// Horizontal half of two pixels: 16-bit lanes l * wl + r * wr (not shifted).
inline __m128i horizontal_pair(const uint32_t* row, const ColumnTable& t, int32_t k) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i q0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + t.off[k]));
    const __m128i q1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + t.off[k + 1]));
    const __m128i x = _mm_unpacklo_epi32(q0, q1);  // l0 l1 r0 r1
    return _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), t.wl[k / 2]),
                         _mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), t.wr[k / 2]));
}

// One cached row: bytes (MMX family, 4 per pixel) or 16-bit lanes (plain, 8 per pixel).
void horizontal_row(const BilinearSetup& b, const uint32_t* row, const ColumnTable& t, int32_t n, void* out) {
    const int32_t padded = (n + 3) & ~3;
    auto* o = static_cast<__m128i*>(out);
    if (b.wide) bilinear_horizontal_avx2(b, row, t.wide, t.wideGroups, out);
    auto done = [&](int32_t k) { return b.wide && k / 8 < t.wideGroups && t.wide.fast[k / 8]; };
    if (b.kind == BilinearKind::plain) {
        for (int32_t k = 0; k < padded; k += 2)
            if (!done(k)) _mm_store_si128(o + k / 2, horizontal_pair(row, t, k));
        return;
    }
    const __m128i s = _mm_cvtsi32_si128(int(b.stageShift));
    for (int32_t k = 0; k < padded; k += 4) {
        if (done(k)) continue;
        const __m128i h0 = _mm_srl_epi16(horizontal_pair(row, t, k), s);
        const __m128i h1 = _mm_srl_epi16(horizontal_pair(row, t, k + 2), s);
        _mm_store_si128(o + k / 4, _mm_packus_epi16(h0, h1));
    }
}

// The same from the model's own sampling, for a source one column wide (no 8-byte load fits).
void horizontal_row_narrow(const BilinearSetup& b, const uint32_t* row, int32_t c0, int32_t n, void* out) {
    for (int32_t k = 0; k < n; ++k) {
        const ColSample cs = bilinear_col(b, c0 + k);
        for (int c = 0; c < 4; ++c) {
            const uint32_t l = (row[cs.left] >> (8 * c)) & 255, r = (row[cs.right] >> (8 * c)) & 255;
            const uint32_t u = l * (b.full - cs.fx) + r * cs.fx;
            if (b.kind == BilinearKind::plain)
                static_cast<uint16_t*>(out)[4 * k + c] = uint16_t(u);
            else
                static_cast<uint8_t*>(out)[4 * k + c] = uint8_t(u >> b.stageShift);
        }
    }
}

// ---- Vertical half and blend ---------------------------------------------------------------------

template <BilinearKind K>
inline __m128i blend16(__m128i v, __m128i d, __m128i a) {
    if constexpr (K == BilinearKind::mmx_masked) {
        const __m128i m = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF);
        const __m128i k = _mm_add_epi16(_mm_srli_epi16(m, 1), _mm_set1_epi16(1));
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(v, _mm_sub_epi16(_mm_set1_epi16(128), k)), _mm_mullo_epi16(d, k)), 7);
    } else if constexpr (K == BilinearKind::mmx_masked_alpha) {
        const __m128i m = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF);
        const __m128i o = _mm_add_epi16(_mm_srli_epi16(_mm_sub_epi16(_mm_set1_epi16(255), m), 1), _mm_set1_epi16(1));
        const __m128i w = _mm_srli_epi16(_mm_mullo_epi16(o, a), 8);
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(v, w), _mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(128), w))), 7);
    } else if constexpr (K == BilinearKind::mmx_alpha) {
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(v, a), _mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), a))), 8);
    } else {
        return v;
    }
}

template <BilinearKind K>
void vertical_row(const BilinearSetup& b, const void* hu, const void* hl, uint32_t fy, uint32_t* d, int32_t n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i wu = _mm_set1_epi16(int16_t(b.full - fy)), wl = _mm_set1_epi16(int16_t(fy));
    const __m128i a = _mm_set1_epi16(int16_t(b.alpha));
    int32_t i = b.wide ? bilinear_vertical_avx2(b, hu, hl, fy, d, n) : 0;
    if constexpr (K == BilinearKind::plain) {
        const auto* u = static_cast<const __m128i*>(hu);
        const auto* l = static_cast<const __m128i*>(hl);
        const __m128i low = _mm_set1_epi16(0xFF);
        auto pair = [&](int32_t k) {
            const __m128i uu = _mm_load_si128(u + k), ll = _mm_load_si128(l + k);
            const __m128i s1 = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(uu, 8), wu),
                                             _mm_mullo_epi16(_mm_srli_epi16(ll, 8), wl));
            const __m128i s0 = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(uu, low), wu),
                                             _mm_mullo_epi16(_mm_and_si128(ll, low), wl));
            return _mm_srli_epi16(_mm_add_epi16(s1, _mm_srli_epi16(s0, 8)), 8);
        };
        for (; i + 4 <= n; i += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(pair(i / 2), pair(i / 2 + 1)));
        const auto* u16 = static_cast<const uint16_t*>(hu);
        const auto* l16 = static_cast<const uint16_t*>(hl);
        for (; i < n; ++i) {
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c)
                out |= (((256 - fy) * u16[4 * i + c] + fy * l16[4 * i + c]) >> 16) << (8 * c);
            d[i] = out;
        }
    } else {
        const auto* u = static_cast<const __m128i*>(hu);
        const auto* l = static_cast<const __m128i*>(hl);
        const __m128i s = _mm_cvtsi32_si128(int(b.stageShift));
        for (; i + 4 <= n; i += 4) {
            const __m128i uu = _mm_load_si128(u + i / 4), ll = _mm_load_si128(l + i / 4);
            __m128i vlo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(uu, zero), wu),
                                        _mm_mullo_epi16(_mm_unpacklo_epi8(ll, zero), wl));
            __m128i vhi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(uu, zero), wu),
                                        _mm_mullo_epi16(_mm_unpackhi_epi8(ll, zero), wl));
            vlo = _mm_srl_epi16(vlo, s);
            vhi = _mm_srl_epi16(vhi, s);
            auto* out = reinterpret_cast<__m128i*>(d + i);
            if constexpr (K != BilinearKind::mmx) {
                const __m128i dv = _mm_loadu_si128(out);
                vlo = blend16<K>(vlo, _mm_unpacklo_epi8(dv, zero), a);
                vhi = blend16<K>(vhi, _mm_unpackhi_epi8(dv, zero), a);
            }
            _mm_storeu_si128(out, _mm_packus_epi16(vlo, vhi));
        }
        const auto* u8 = static_cast<const uint8_t*>(hu);
        const auto* l8 = static_cast<const uint8_t*>(hl);
        for (; i < n; ++i) {
            uint32_t v[4];
            for (int c = 0; c < 4; ++c) v[c] = (u8[4 * i + c] * (b.full - fy) + l8[4 * i + c] * fy) >> b.stageShift;
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c) out |= bilinear_blend_lane(b, v[c], (d[i] >> (8 * c)) & 255, v[3]) << (8 * c);
            d[i] = out;
        }
    }
}

void prefetch_span(TBitmap& src, int32_t row, int32_t from, int32_t to) {
    const char* p = reinterpret_cast<const char*>(src.ScanLine(row));
    for (int64_t byte = int64_t(from) * 4; byte < int64_t(to) * 4; byte += 64) _mm_prefetch(p + byte, _MM_HINT_T0);
}

using VerticalFn = void (*)(const BilinearSetup&, const void*, const void*, uint32_t, uint32_t*, int32_t);

VerticalFn pick_vertical(BilinearKind kind) {
    switch (kind) {
        case BilinearKind::plain: return vertical_row<BilinearKind::plain>;
        case BilinearKind::mmx: return vertical_row<BilinearKind::mmx>;
        case BilinearKind::mmx_masked: return vertical_row<BilinearKind::mmx_masked>;
        case BilinearKind::mmx_masked_alpha: return vertical_row<BilinearKind::mmx_masked_alpha>;
        default: return vertical_row<BilinearKind::mmx_alpha>;
    }
}

struct Scratch {
    ColumnTable table;
    alignas(32) uint8_t cache[2][kStrip * 8 + 64];
};

Scratch& thread_scratch() {
    thread_local std::unique_ptr<Scratch> scratch;
    if (!scratch) scratch = std::make_unique<Scratch>();
    return *scratch;
}

}  // namespace

void bilinear_sse2(const BilinearSetup& b, TBitmap& src, TBitmap& dst) {
    const VerticalFn vertical = pick_vertical(b.kind);
    const bool narrow = b.f.srcWidth < 2;
    Scratch& scratch = thread_scratch();
    ColumnTable& table = scratch.table;
    auto& cache = scratch.cache;

    for (int32_t c0 = 0; c0 < b.f.width; c0 += kStrip) {
        const int32_t n = std::min(kStrip, b.f.width - c0);
        if (!narrow) build_columns(b, c0, n, table);
        if (!narrow && b.wide) build_wide_columns(b, c0, n, table);
        int32_t cached[2] = {-1, -1};
        auto fill = [&](int slot, int32_t row) {
            const auto* s = reinterpret_cast<const uint32_t*>(src.ScanLine(row));
            if (narrow)
                horizontal_row_narrow(b, s, c0, n, cache[slot]);
            else
                horizontal_row(b, s, table, n, cache[slot]);
            cached[slot] = row;
        };
        for (int32_t j = 0; j < b.f.height; ++j) {
            const RowSample rs = bilinear_row(b, j);
            int u = cached[0] == rs.upper ? 0 : cached[1] == rs.upper ? 1 : -1;
            if (u < 0) {
                // Evict a slot that does not hold the lower row; rows advance downwards.
                u = cached[0] == rs.lower ? 1 : cached[1] == rs.lower ? 0 : (cached[0] < cached[1] ? 0 : 1);
                fill(u, rs.upper);
            }
            int l = u;
            // A lower row of weight 0 adds nothing, so it is not read.
            if (rs.fy != 0 && rs.lower != rs.upper) {
                l = 1 - u;
                if (cached[l] != rs.lower) fill(l, rs.lower);
            }
            // Reductions read new source rows for every destination row: fetch the next ones early.
            if (!narrow && j + 1 < b.f.height) {
                const RowSample next = bilinear_row(b, j + 1);
                for (int32_t r : {next.upper, next.lower})
                    if (r != rs.upper && r != rs.lower) prefetch_span(src, r, table.off[0], table.off[n - 1] + 2);
            }
            auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(b.f.dstTop + j)) + b.f.dstLeft + c0;
            vertical(b, cache[u], cache[l], rs.fy, drow, n);
        }
    }
}

}  // namespace lumarix::zoom
