// Private to the zooms: the per-call set-up shared by the plain models and the vector drivers,
// and the sampling rules (which source rows and columns, with which fractions) both follow.
//
// Every position is an unsigned 32-bit fixed-point accumulator. The set-up refuses any call in
// which an accumulator would leave that range, so positions grow monotonically along a row and
// down the rectangle. All row and column indices handed out here are clamped into the source
// bitmap: the models and the kernels never see an index outside it.
#pragma once

#include <lumarix/Graphics.h>

#include "simd/cpu.h"

#include <algorithm>
#include <cstdint>

namespace lumarix::zoom {

/// A zoom's rectangles, in the parameter order of the public routines.
struct ZoomRect {
    double srcX, srcY, srcW, srcH, dstX, dstY;
    int32_t dstW, dstH;
};

/// The clipped call: bitmap sizes, the clipped rectangles and their integer destination start.
struct Frame {
    ZoomRect req;        // as passed (the steps and ratios come from these)
    ZoomRect clip;       // after SetOutXYWHSuper
    int32_t srcWidth = 0, srcHeight = 0;
    int32_t dstLeft = 0, dstTop = 0;   // Trunc(clipped dstX), Trunc(clipped dstY)
    int32_t width = 0, height = 0;     // clipped dstW, dstH (both > 0)
};

/// Checks the bitmaps and sizes and clips; false means nothing is to be drawn.
bool begin_frame(const ZoomRect& req, const TBitmap& src, const TBitmap& dst, Frame& frame);

/// Trunc(v) into an unsigned 32-bit value; false for a negative, NaN or too large v.
bool trunc_u32(double v, uint32_t& out);

/// Whether start + (count - 1) * step stays below 2^32.
bool accumulator_fits(uint32_t start, uint32_t step, int32_t count);

inline int32_t clamp_index(int64_t v, int32_t size) {
    return int32_t(std::clamp<int64_t>(v, 0, int64_t(size) - 1));
}

// ==== Nearest neighbour ===========================================================================

enum class SaikinRule { copy, masked, masked_alpha, alpha };

struct SaikinSetup {
    Frame f;
    SaikinRule rule = SaikinRule::copy;
    unsigned shift = 16;           // fraction bits F
    uint32_t stepX = 0, stepY = 0, startX = 0;
    int32_t srcTop = 0;            // Trunc(clipped srcY)
    uint32_t alpha = 256;          // clamped to 0..256
    int32_t inside = 0;            // columns 0..inside-1 sample inside the source row
};

bool setup_saikin(const ZoomRect& req, const TBitmap& src, const TBitmap& dst, SaikinRule rule,
                  uint32_t alpha, SaikinSetup& s);

/// Source row of destination row j: the row accumulator starts at 1 and is not wrapped.
inline int32_t saikin_row(const SaikinSetup& s, int32_t j) {
    const uint32_t acc = 1u + uint32_t(j) * s.stepY;
    return clamp_index(int64_t(s.srcTop) + (acc >> s.shift), s.f.srcHeight);
}

/// Source column of destination column i (past the source's right edge: its last column).
inline int32_t saikin_col(const SaikinSetup& s, int32_t i) {
    const uint32_t acc = s.startX + uint32_t(i) * s.stepX;
    return clamp_index(acc >> s.shift, s.f.srcWidth);
}

/// The pixel rules, one pixel at a time (the reference of every kernel's tail).
inline uint32_t saikin_px(SaikinRule rule, uint32_t s, uint32_t d, uint32_t alpha) {
    if (rule == SaikinRule::copy) return s;
    uint32_t out = 0;
    const uint32_t m = s >> 24;
    uint32_t ws = 0, wd = 0;
    switch (rule) {
        case SaikinRule::masked: ws = 255 - m; wd = m + 1; break;
        case SaikinRule::masked_alpha:
            ws = uint32_t((uint64_t(256 - m) * alpha) >> 8) & 0xFFFF;
            wd = (256 - ws) & 0xFFFF;
            break;
        default: ws = alpha; wd = 256 - alpha; break;
    }
    for (int c = 0; c < 24; c += 8) {
        const uint32_t v = (((d >> c) & 255) * wd + ((s >> c) & 255) * ws) >> 8;
        out |= (v & 255) << c;
    }
    return out | (rule == SaikinRule::alpha ? (s & 0xFF000000u) : (m << 24));
}

void saikin_model(const SaikinSetup& s, TBitmap& src, TBitmap& dst);

// ==== Bilinear ====================================================================================

enum class BilinearKind { plain, mmx, mmx_masked, mmx_masked_alpha, mmx_alpha };

struct BilinearSetup {
    Frame f;
    BilinearKind kind = BilinearKind::plain;
    unsigned shift = 8;            // fraction bits F of the accumulators
    unsigned fracShift = 0;        // F - W: the weight is the fraction's top W bits
    uint32_t full = 256;           // T, the sum of a pair of weights
    unsigned stageShift = 8;       // s, the shift after each packed stage (plain: one pass, >> 16)
    uint32_t stepX = 0, stepY = 0, startX = 0, startY = 0;
    int32_t baseX = 0, baseY = 0;  // column and row the accumulators count from
    int32_t lastX = 0;             // columns lastX.. are sampled one step back (else == width)
    int32_t lastY = 0;             // rows lastY.. are bottom rows (else == height)
    int32_t bottomUpper = 0, bottomLower = 0;
    uint32_t bottomFy = 0;
    uint32_t alpha = 0;            // clamped to the variant's scale
};

bool setup_bilinear(const ZoomRect& req, const TBitmap& src, const TBitmap& dst, BilinearKind kind,
                    uint32_t alpha, BilinearSetup& b);

struct RowSample {
    int32_t upper, lower;
    uint32_t fy;
};

inline RowSample bilinear_row(const BilinearSetup& b, int32_t j) {
    if (j >= b.lastY) return {b.bottomUpper, b.bottomLower, b.bottomFy};
    const uint32_t acc = b.startY + uint32_t(j) * b.stepY;
    const int64_t upper = int64_t(b.baseY) + (acc >> b.shift);
    const uint32_t fy = (acc & ((1u << b.shift) - 1)) >> b.fracShift;
    return {clamp_index(upper, b.f.srcHeight), clamp_index(upper + 1, b.f.srcHeight), fy};
}

struct ColSample {
    int32_t left, right;
    uint32_t fx;
};

inline ColSample bilinear_col(const BilinearSetup& b, int32_t i) {
    // Edge columns take the position one step back; before the row's start it stops at 0.
    const int64_t k = i >= b.lastX ? int64_t(i) - 1 : int64_t(i);
    const uint32_t pos = uint32_t(std::max<int64_t>(0, int64_t(b.startX) + k * int64_t(b.stepX)));
    const int64_t left = int64_t(b.baseX) + (pos >> b.shift);
    const uint32_t fx = (pos & ((1u << b.shift) - 1)) >> b.fracShift;
    return {clamp_index(left, b.f.srcWidth), clamp_index(left + 1, b.f.srcWidth), fx};
}

/// The blends after interpolation, on one byte lane: v interpolated, d the destination.
inline uint32_t bilinear_blend_lane(const BilinearSetup& b, uint32_t v, uint32_t d, uint32_t m) {
    uint32_t r = v;
    switch (b.kind) {
        case BilinearKind::mmx_masked: {
            const uint32_t k = (m >> 1) + 1;
            r = (v * (128 - k) + d * k) >> 7;
            break;
        }
        case BilinearKind::mmx_masked_alpha: {
            const uint32_t w = (((((255 - m) >> 1) + 1) * b.alpha) >> 8) & 0xFFFF;
            r = (v * w + d * (128 - w)) >> 7;
            break;
        }
        case BilinearKind::mmx_alpha: r = (v * b.alpha + d * (255 - b.alpha)) >> 8; break;
        default: break;
    }
    return std::min<uint32_t>(r, 255);
}

/// Column table of the eight-pixel horizontal half, for groups of eight destination columns of a strip.
/// A fast group's left neighbours lie within the eight source columns from `first`, each with its
/// right neighbour beside it; its samples come from two loads and two permutes. Weights are in
/// the order that unpacking eight pixels produces: lo = pixels 0, 1, 4, 5, hi = pixels 2, 3, 6, 7.
struct BilinearWideColumns {
    static constexpr int32_t kGroups = 2048 / 8;
    int32_t first[kGroups];
    bool fast[kGroups];
    alignas(32) int32_t rel[kGroups][8];
    alignas(32) uint16_t wlLo[kGroups][16];
    alignas(32) uint16_t wlHi[kGroups][16];
    alignas(32) uint16_t wrLo[kGroups][16];
    alignas(32) uint16_t wrHi[kGroups][16];
};

void bilinear_model(const BilinearSetup& b, TBitmap& src, TBitmap& dst);

}  // namespace lumarix::zoom
