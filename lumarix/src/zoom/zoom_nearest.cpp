// Nearest-neighbour zooms: the plain model and the public routines.
//
// Destination row j takes source row Trunc(srcY) + ((1 + j * stepY) >> F); destination column i
// takes source column (startX + i * stepX) >> F, F = 16 (8 for the masked variant). Pixel rules,
// all unsigned with a truncating >> 8 and the low 8 bits stored:
//   copy          all four bytes of the source
//   masked        c = (d * (m + 1) + s * (255 - m)) >> 8, fourth byte m (m = source's fourth byte)
//   masked_Alpha  w = ((256 - m) * alpha) >> 8, c = (d * (256 - w) + s * w) >> 8, fourth byte m
//   Alpha         c = (s * alpha + d * (256 - alpha)) >> 8, fourth byte from the source
// The drivers below run the kernels of the active level's table, which give the same bytes;
// with one bitmap as source and destination the model runs, in its order of reads and writes.
// Memory sets the pace of reductions, whose source rows lie far apart: each destination row
// is sampled while the next one's source pixels are fetched, so that they arrive in time.
#include <lumarix/filters32/zoom.h>

#include "filters/filter_common.h"
#include "zoom/zoom_kernels.h"

#include <cstring>

namespace lumarix::zoom {

void saikin_model(const SaikinSetup& s, TBitmap& src, TBitmap& dst) {
    for (int32_t j = 0; j < s.f.height; ++j) {
        const auto* srow = reinterpret_cast<const uint32_t*>(src.ScanLine(saikin_row(s, j)));
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + j)) + s.f.dstLeft;
        for (int32_t i = 0; i < s.f.width; ++i) drow[i] = saikin_px(s.rule, srow[saikin_col(s, i)], drow[i], s.alpha);
    }
}

namespace {

// Fetches the columns from..to-1 of a source row that the next destination row will sample.
void prefetch_span(TBitmap& src, int32_t row, int32_t from, int32_t to) {
    const char* p = reinterpret_cast<const char*>(src.ScanLine(row));
    for (int64_t byte = int64_t(from) * 4; byte < int64_t(to) * 4; byte += 64) __builtin_prefetch(p + byte);
}

// Copy rule: samples straight into the destination row; a destination row that samples the same
// source row as the row above it is a copy of that row.
void copy_rows(const SaikinSetup& s, const ZoomKernels& k, TBitmap& src, TBitmap& dst) {
    const int32_t width = s.f.width;
    int32_t prevSource = -1;
    const uint32_t* prevRow = nullptr;
    for (int32_t j = 0; j < s.f.height; ++j) {
        const int32_t r = saikin_row(s, j);
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + j)) + s.f.dstLeft;
        if (r == prevSource) {
            std::memcpy(drow, prevRow, size_t(width) * 4);
            continue;
        }
        const auto* srow = reinterpret_cast<const uint32_t*>(src.ScanLine(r));
        const uint32_t* next = srow;
        if (j + 1 < s.f.height && saikin_row(s, j + 1) != r) {
            // A step of a pixel or more samples through the kernel, which fetches the next row as
            // it goes; the permute of smaller steps reads it whole.
            if (s.stepX >= 1u << 16)
                next = reinterpret_cast<const uint32_t*>(src.ScanLine(saikin_row(s, j + 1)));
            else
                prefetch_span(src, saikin_row(s, j + 1), saikin_col(s, 0), saikin_col(s, width - 1) + 1);
        }
        int32_t i = k.saikin_gather(drow, srow, s.f.srcWidth, s.startX, s.stepX, 16, s.inside);
        i += k.sample_copy(drow + i, srow, next, s.startX + uint32_t(i) * s.stepX, s.stepX, 16, s.inside - i, 0);
        for (uint32_t acc = s.startX + uint32_t(i) * s.stepX; i < s.inside; ++i, acc += s.stepX) drow[i] = srow[acc >> 16];
        // Past the source's right edge every sample is its last column.
        for (; i < width; ++i) drow[i] = srow[s.f.srcWidth - 1];
        prevSource = r;
        prevRow = drow;
    }
}

SaikinBlend blend_kernel(const SaikinSetup& s, const ZoomKernels& k) {
    switch (s.rule) {
        case SaikinRule::masked: return k.saikin_masked;
        case SaikinRule::masked_alpha: return s.alpha == 256 ? k.saikin_masked_alpha_full : k.saikin_masked_alpha;
        default: return k.saikin_alpha;
    }
}

SaikinSample sample_kernel(const SaikinSetup& s, const ZoomKernels& k) {
    switch (s.rule) {
        case SaikinRule::masked: return k.sample_masked;
        case SaikinRule::masked_alpha: return s.alpha == 256 ? k.sample_masked_alpha_full : k.sample_masked_alpha;
        default: return k.sample_alpha;
    }
}

// Blend rules where every destination row samples a new source row, a pixel or more apart:
// nothing is worth keeping, so each row is sampled and blended in one pass, which fetches the
// next row's pixels on the way.
void sample_rows(const SaikinSetup& s, const ZoomKernels& k, TBitmap& src, TBitmap& dst) {
    const SaikinSample sample = sample_kernel(s, k);
    const int32_t width = s.f.width;
    for (int32_t j = 0; j < s.f.height; ++j) {
        const auto* srow = reinterpret_cast<const uint32_t*>(src.ScanLine(saikin_row(s, j)));
        const auto* next = j + 1 < s.f.height ? reinterpret_cast<const uint32_t*>(src.ScanLine(saikin_row(s, j + 1)))
                                              : srow;
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + j)) + s.f.dstLeft;
        int32_t i = sample(drow, srow, next, s.startX, s.stepX, s.shift, s.inside, s.alpha);
        for (uint32_t a = s.startX + uint32_t(i) * s.stepX; i < s.inside; ++i, a += s.stepX)
            drow[i] = saikin_px(s.rule, srow[a >> s.shift], drow[i], s.alpha);
        for (; i < width; ++i) drow[i] = saikin_px(s.rule, srow[s.f.srcWidth - 1], drow[i], s.alpha);
    }
}

// Blend rules: the sampled pixels of a strip of columns are gathered once per source row into a
// line, then blended over each destination row that samples that row.
void blend_rows(const SaikinSetup& s, const ZoomKernels& k, TBitmap& src, TBitmap& dst) {
    const SaikinBlend blend = blend_kernel(s, k);
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
                if (j + 1 < s.f.height && saikin_row(s, j + 1) != r)
                    prefetch_span(src, saikin_row(s, j + 1), saikin_col(s, c0), saikin_col(s, c0 + n - 1) + 1);
                int32_t i = k.saikin_gather(line, srow, s.f.srcWidth, acc, s.stepX, s.shift, inside);
                for (uint32_t a = acc + uint32_t(i) * s.stepX; i < inside; ++i, a += s.stepX) line[i] = srow[a >> s.shift];
                for (; i < n; ++i) line[i] = srow[s.f.srcWidth - 1];
                cached = r;
            }
            // The next row too where it samples the same source row: the line's pixels and
            // weights then serve both.
            auto row = [&](int32_t jj) {
                return reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + jj)) + s.f.dstLeft + c0;
            };
            uint32_t* drow = row(j);
            uint32_t* drow2 = j + 1 < s.f.height && saikin_row(s, j + 1) == r ? row(++j) : nullptr;
            const int32_t done = blend(drow, drow2, line, n, s.alpha);
            for (uint32_t* d : {drow, drow2})
                for (int32_t i = done; d && i < n; ++i) d[i] = saikin_px(s.rule, line[i], d[i], s.alpha);
        }
    }
}

void run_saikin(const ZoomRect& r, TBitmap& src, TBitmap& dst, SaikinRule rule, uint32_t alpha) {
    SaikinSetup s;
    if (!setup_saikin(r, src, dst, rule, alpha, s)) return;
    // The vector drivers read rows into caches and several pixels ahead of their stores; one
    // bitmap in both roles takes the model's walk, which reads each pixel just before its write.
    if (filters::shares_pixels(src, dst)) return saikin_model(s, src, dst);
    const ZoomKernels& k = best_zoom_kernels();
    if (s.rule == SaikinRule::copy) return copy_rows(s, k, src, dst);
    if (s.stepX >= 1u << s.shift && s.stepY >= 1u << s.shift) return sample_rows(s, k, src, dst);
    blend_rows(s, k, src, dst);
}

}  // namespace
}  // namespace lumarix::zoom

namespace lumarix {

using zoom::SaikinRule;

void Stretch_ZoomIn_Saikin32(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                             int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst) {
    zoom::run_saikin({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, SaikinRule::copy, 0);
}

void Stretch_ZoomIn_Saikin32_masked(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                                    int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst) {
    zoom::run_saikin({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, SaikinRule::masked, 0);
}

void Stretch_ZoomIn_Saikin32_masked_Alpha(double srcX, double srcY, double srcW, double srcH, double dstX,
                                          double dstY, int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst,
                                          uint32_t alpha) {
    zoom::run_saikin({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, SaikinRule::masked_alpha, alpha);
}

void Stretch_ZoomIn_Saikin32_Alpha(double srcX, double srcY, double srcW, double srcH, double dstX, double dstY,
                                   int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst, uint16_t alpha) {
    zoom::run_saikin({srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH}, src, dst, SaikinRule::alpha, alpha);
}

}  // namespace lumarix
