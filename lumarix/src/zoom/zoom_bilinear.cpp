// Bilinear zooms: the plain model of each routine's numbers and the public routines.
//
// Stretch_ZoomIn_BiLinear32 interpolates exactly with 8-bit fractions fx, fy (weights summing
// to 256), one pass per byte, rounding toward minus infinity:
//   p00 + ((((fx * fy * (p00 - p01 - p10 + p11)) >> 8) + fx * (p01 - p00) + fy * (p10 - p00)) >> 8)
// which is floor(sum of the four weighted bytes / 65536).
// The MMX family works in two truncating stages with a full weight T and a stage shift s
// (T = 255, s = 8, or T = 128, s = 7 for the masked variants):
//   upper = (ul * (T - fx) + ur * fx) >> s, lower likewise, v = (upper * (T - fy) + lower * fy) >> s
// and then blends v over the destination (see bilinear_blend_lane). The drivers below run the
// kernels of the active level's table, with the same bytes.
#include <lumarix/filters32/zoom.h>

#include "filters/filter_common.h"
#include "zoom/zoom_kernels.h"

#include <memory>

namespace lumarix::zoom {

namespace {

inline uint32_t lane(uint32_t p, int c) { return (p >> c) & 255; }

uint32_t plain_px(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, int32_t fx, int32_t fy) {
    uint32_t out = 0;
    for (int c = 0; c < 32; c += 8) {
        const int32_t a = int32_t(lane(p00, c)), b = int32_t(lane(p01, c));
        const int32_t e = int32_t(lane(p10, c)), g = int32_t(lane(p11, c));
        const int32_t v = a + ((((fx * fy * (a - b - e + g)) >> 8) + fx * (b - a) + fy * (e - a)) >> 8);
        out |= uint32_t(v) << c;
    }
    return out;
}

uint32_t packed_px(const BilinearSetup& b, uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, uint32_t fx,
                   uint32_t fy, uint32_t d) {
    const uint32_t t = b.full, s = b.stageShift;
    uint32_t v[4];
    for (int k = 0; k < 4; ++k) {
        const int c = 8 * k;
        const uint32_t upper = (lane(p00, c) * (t - fx) + lane(p01, c) * fx) >> s;
        const uint32_t lower = (lane(p10, c) * (t - fx) + lane(p11, c) * fx) >> s;
        v[k] = (upper * (t - fy) + lower * fy) >> s;
    }
    uint32_t out = 0;
    for (int k = 0; k < 4; ++k) out |= bilinear_blend_lane(b, v[k], lane(d, 8 * k), v[3]) << (8 * k);
    return out;
}

// Destination column i of a row sampling the rows up and lo with the fraction fy.
uint32_t model_px(const BilinearSetup& b, const uint32_t* up, const uint32_t* lo, int32_t i, uint32_t fy, uint32_t d) {
    const ColSample cs = bilinear_col(b, i);
    const uint32_t p00 = up[cs.left], p01 = up[cs.right], p10 = lo[cs.left], p11 = lo[cs.right];
    return b.kind == BilinearKind::plain ? plain_px(p00, p01, p10, p11, int32_t(cs.fx), int32_t(fy))
                                         : packed_px(b, p00, p01, p10, p11, cs.fx, fy, d);
}

// ---- The drivers -------------------------------------------------------------------------------
//
// The interpolation is split into its horizontal and vertical halves. The horizontal half of a
// source row depends only on the row and the column positions, which are the same for every
// destination row, so it is computed once per source row into a cache of two rows and reused
// while destination rows keep sampling the same rows (an enlargement reads each source row once).
// The vertical half and the blend then stream over the cached rows (the kernel tables).
//
// The destination is processed in strips of kStrip columns so that the column tables and the
// two cached rows have a fixed size. They take about 150 KB, more than a small thread stack can
// spare, so they live in a per-thread block on the heap, allocated at a thread's first bilinear
// zoom and kept for its next ones.

struct Scratch {
    BilinearColumns columns;
    BilinearWideColumns wide;
    alignas(32) uint8_t cache[2][kStrip * 8 + 64];
};

Scratch& thread_scratch() {
    thread_local std::unique_ptr<Scratch> scratch;
    if (!scratch) scratch = std::make_unique<Scratch>();
    return *scratch;
}

// A column whose right neighbour lies past the source row loads the last two columns with the
// weights 0 and T, which is the last column times T as the model computes it. Columns past n,
// up to a multiple of eight, load the first column's pair with weight 0.
int32_t build_columns(const BilinearSetup& b, int32_t c0, int32_t n, BilinearColumns& t) {
    const int32_t padded = (n + 7) & ~7;
    const int32_t lastPair = b.f.srcWidth - 2;
    for (int32_t k = 0; k < padded; ++k) {
        int32_t off = 0;
        uint32_t l = 0, r = 0;
        if (k >= n) {
            off = t.off[0];
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
        for (int c = 0; c < 4; ++c) {
            t.wl[k][c] = uint16_t(l);
            t.wr[k][c] = uint16_t(r);
        }
    }
    return padded;
}

// The eight-pixel table: a group is fast when its left neighbours span at most eight columns
// from the first, all right neighbours are the next column, and both loads stay inside the row.
int32_t build_wide_columns(const BilinearSetup& b, int32_t c0, int32_t n, BilinearWideColumns& w) {
    const int32_t groups = n / 8;
    static constexpr int kLane[8] = {0, 4, 0, 4, 8, 12, 8, 12};  // 16-bit lane of pixel k in its half
    for (int32_t g = 0; g < groups; ++g) {
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
    return groups;
}

// The horizontal half from the model's own sampling, for a source one column wide (no
// two-pixel load fits).
void horizontal_row_narrow(const BilinearSetup& b, const uint32_t* row, int32_t c0, int32_t n, void* out) {
    for (int32_t k = 0; k < n; ++k) {
        const ColSample cs = bilinear_col(b, c0 + k);
        for (int c = 0; c < 4; ++c) {
            const uint32_t u = lane(row[cs.left], 8 * c) * (b.full - cs.fx) + lane(row[cs.right], 8 * c) * cs.fx;
            if (b.kind == BilinearKind::plain)
                static_cast<uint16_t*>(out)[4 * k + c] = uint16_t(u);
            else
                static_cast<uint8_t*>(out)[4 * k + c] = uint8_t(u >> b.stageShift);
        }
    }
}

// The vertical half and blend of pixels i..n-1 over the cached rows, one at a time.
void vertical_tail(const BilinearSetup& b, const void* hu, const void* hl, uint32_t fy, uint32_t* d, int32_t i,
                   int32_t n) {
    for (; i < n; ++i) {
        uint32_t out = 0;
        if (b.kind == BilinearKind::plain) {
            const auto* u = static_cast<const uint16_t*>(hu) + 4 * i;
            const auto* l = static_cast<const uint16_t*>(hl) + 4 * i;
            for (int c = 0; c < 4; ++c) out |= (((256 - fy) * u[c] + fy * l[c]) >> 16) << (8 * c);
        } else {
            const auto* u = static_cast<const uint8_t*>(hu) + 4 * i;
            const auto* l = static_cast<const uint8_t*>(hl) + 4 * i;
            uint32_t v[4];
            for (int c = 0; c < 4; ++c) v[c] = (u[c] * (b.full - fy) + l[c] * fy) >> b.stageShift;
            for (int c = 0; c < 4; ++c) out |= bilinear_blend_lane(b, v[c], lane(d[i], 8 * c), v[3]) << (8 * c);
        }
        d[i] = out;
    }
}

BilinearVertical vertical_kernel(BilinearKind kind, const ZoomKernels& k) {
    switch (kind) {
        case BilinearKind::plain: return k.vertical_plain;
        case BilinearKind::mmx: return k.vertical_mmx;
        case BilinearKind::mmx_masked: return k.vertical_masked;
        case BilinearKind::mmx_masked_alpha: return k.vertical_masked_alpha;
        default: return k.vertical_alpha;
    }
}

void prefetch_span(TBitmap& src, int32_t row, int32_t from, int32_t to) {
    const char* p = reinterpret_cast<const char*>(src.ScanLine(row));
    for (int64_t byte = int64_t(from) * 4; byte < int64_t(to) * 4; byte += 64) __builtin_prefetch(p + byte);
}

BilinearFused fused_kernel(BilinearKind kind, const ZoomKernels& k) {
    switch (kind) {
        case BilinearKind::plain: return k.fused_plain;
        case BilinearKind::mmx: return k.fused_mmx;
        case BilinearKind::mmx_masked: return k.fused_masked;
        case BilinearKind::mmx_masked_alpha: return k.fused_masked_alpha;
        default: return k.fused_alpha;
    }
}

// Reductions by two rows or more: no source row serves two destination rows, so a cache would
// only add a store and a load. Each destination row is made from its two source rows directly,
// and fetches the next row's two at the same columns on the way. A lower row of weight 0 is
// not read (the upper row stands in for it).
void bilinear_fused(const BilinearSetup& b, const ZoomKernels& k, TBitmap& src, TBitmap& dst) {
    const BilinearFused fused = fused_kernel(b.kind, k);
    BilinearColumns& columns = thread_scratch().columns;
    auto rows = [&](int32_t j, const uint32_t*& up, const uint32_t*& lo) {
        const RowSample rs = bilinear_row(b, j);
        up = reinterpret_cast<const uint32_t*>(src.ScanLine(rs.upper));
        lo = rs.fy != 0 && rs.lower != rs.upper ? reinterpret_cast<const uint32_t*>(src.ScanLine(rs.lower)) : up;
        return rs.fy;
    };
    for (int32_t c0 = 0; c0 < b.f.width; c0 += kStrip) {
        const int32_t n = std::min(kStrip, b.f.width - c0);
        build_columns(b, c0, n, columns);
        const uint32_t *up, *lo, *nup, *nlo;
        uint32_t fy = rows(0, up, lo);
        for (int32_t j = 0; j < b.f.height; ++j) {
            nup = up, nlo = lo;
            const uint32_t nfy = j + 1 < b.f.height ? rows(j + 1, nup, nlo) : 0;
            auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(b.f.dstTop + j)) + b.f.dstLeft + c0;
            for (int32_t i = fused(b, up, lo, nup, nlo, columns, fy, drow, n); i < n; ++i)
                drow[i] = model_px(b, up, lo, c0 + i, fy, drow[i]);
            up = nup, lo = nlo, fy = nfy;
        }
    }
}

void bilinear_cached(const BilinearSetup& b, const ZoomKernels& k, TBitmap& src, TBitmap& dst) {
    const BilinearVertical vertical = vertical_kernel(b.kind, k);
    const BilinearHorizontal horizontal = b.kind == BilinearKind::plain ? k.horizontal_sixteen : k.horizontal_bytes;
    const bool narrow = b.f.srcWidth < 2;
    Scratch& scratch = thread_scratch();
    auto& cache = scratch.cache;

    for (int32_t c0 = 0; c0 < b.f.width; c0 += kStrip) {
        const int32_t n = std::min(kStrip, b.f.width - c0);
        const int32_t padded = narrow ? n : build_columns(b, c0, n, scratch.columns);
        const int32_t wideGroups = !narrow && k.bilinear_wide ? build_wide_columns(b, c0, n, scratch.wide) : 0;
        int32_t cached[2] = {-1, -1};
        auto fill = [&](int slot, int32_t row) {
            const auto* s = reinterpret_cast<const uint32_t*>(src.ScanLine(row));
            if (narrow)
                horizontal_row_narrow(b, s, c0, n, cache[slot]);
            else
                horizontal(s, scratch.columns, padded, b.stageShift, k.bilinear_wide ? &scratch.wide : nullptr,
                           wideGroups, cache[slot]);
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
                    if (r != rs.upper && r != rs.lower)
                        prefetch_span(src, r, scratch.columns.off[0], scratch.columns.off[n - 1] + 2);
            }
            auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(b.f.dstTop + j)) + b.f.dstLeft + c0;
            vertical_tail(b, cache[u], cache[l], rs.fy, drow, vertical(b, cache[u], cache[l], rs.fy, drow, n), n);
        }
    }
}

void run_bilinear(const ZoomRect& r, TBitmap& src, TBitmap& dst, BilinearKind kind, uint32_t alpha) {
    BilinearSetup b;
    if (!setup_bilinear(r, src, dst, kind, alpha, b)) return;
    // The row caches would hold source pixels the zoom has since overwritten: one bitmap in both
    // roles takes the model's in-order walk.
    if (filters::shares_pixels(src, dst)) return bilinear_model(b, src, dst);
    const ZoomKernels& k = best_zoom_kernels();
    if (b.f.srcWidth >= 2 && b.stepY >= 2u << b.shift) return bilinear_fused(b, k, src, dst);
    bilinear_cached(b, k, src, dst);
}

}  // namespace

void bilinear_model(const BilinearSetup& b, TBitmap& src, TBitmap& dst) {
    for (int32_t j = 0; j < b.f.height; ++j) {
        const RowSample rs = bilinear_row(b, j);
        const auto* up = reinterpret_cast<const uint32_t*>(src.ScanLine(rs.upper));
        const auto* lo = reinterpret_cast<const uint32_t*>(src.ScanLine(rs.lower));
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(b.f.dstTop + j)) + b.f.dstLeft;
        for (int32_t i = 0; i < b.f.width; ++i) drow[i] = model_px(b, up, lo, i, rs.fy, drow[i]);
    }
}

}  // namespace lumarix::zoom

namespace lumarix {

using zoom::BilinearKind;

void Stretch_ZoomIn_BiLinear32(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                               int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst) {
    zoom::run_bilinear({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, BilinearKind::plain, 0);
}

void Stretch_ZoomIn_BiLinearMMX32(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                                  int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst) {
    zoom::run_bilinear({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, BilinearKind::mmx, 0);
}

void Stretch_ZoomIn_BiLinearMMX32_masked(double srcX, double srcY, double srcW, double srcH, double dstX,
                                         double dstY, int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst) {
    zoom::run_bilinear({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, BilinearKind::mmx_masked, 0);
}

void Stretch_ZoomIn_BiLinearMMX32_masked_Alpha(double srcX, double srcY, double srcW, double srcH, double dstX,
                                               double dstY, int32_t dstW, int32_t dstH, TBitmap& src,
                                               TBitmap& dst, uint32_t alpha) {
    zoom::run_bilinear({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, BilinearKind::mmx_masked_alpha,
                       alpha);
}

void Stretch_ZoomIn_BiLinearMMX32_alpha(double srcX, double srcY, double srcW, double srcH, double dstX,
                                        double dstY, int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst,
                                        uint32_t alpha) {
    zoom::run_bilinear({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, BilinearKind::mmx_alpha, alpha);
}

}  // namespace lumarix
