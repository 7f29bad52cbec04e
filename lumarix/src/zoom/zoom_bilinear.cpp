// Bilinear zooms: the plain model of each routine's numbers and the public routines.
//
// Stretch_ZoomIn_BiLinear32 interpolates exactly with 8-bit fractions fx, fy (weights summing
// to 256), one pass per byte, rounding toward minus infinity:
//   p00 + ((((fx * fy * (p00 - p01 - p10 + p11)) >> 8) + fx * (p01 - p00) + fy * (p10 - p00)) >> 8)
// which is floor(sum of the four weighted bytes / 65536).
// The MMX family works in two truncating stages with a full weight T and a stage shift s
// (T = 255, s = 8, or T = 128, s = 7 for the masked variants):
//   upper = (ul * (T - fx) + ur * fx) >> s, lower likewise, v = (upper * (T - fy) + lower * fy) >> s
// and then blends v over the destination (see bilinear_blend_lane). The x86-64 build runs the
// SSE2 code of zoom_bilinear_sse2.cpp, which gives the same bytes.
#include <lumarix/filters32/zoom.h>

#include "filters/filter_common.h"
#include "zoom/zoom_p.h"

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

void run_bilinear(const ZoomRect& r, TBitmap& src, TBitmap& dst, BilinearKind kind, uint32_t alpha) {
    BilinearSetup b;
    if (!setup_bilinear(r, src, dst, kind, alpha, b)) return;
#if LUMARIX_ZOOM_SSE2
    // The row caches would hold source pixels the zoom has since overwritten: one bitmap in both
    // roles takes the model's in-order walk.
    if (simd::use_sse2() && !filters::shares_pixels(src, dst)) return bilinear_sse2(b, src, dst);
#endif
    bilinear_model(b, src, dst);
}

}  // namespace

void bilinear_model(const BilinearSetup& b, TBitmap& src, TBitmap& dst) {
    for (int32_t j = 0; j < b.f.height; ++j) {
        const RowSample rs = bilinear_row(b, j);
        const auto* up = reinterpret_cast<const uint32_t*>(src.ScanLine(rs.upper));
        const auto* lo = reinterpret_cast<const uint32_t*>(src.ScanLine(rs.lower));
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(b.f.dstTop + j)) + b.f.dstLeft;
        for (int32_t i = 0; i < b.f.width; ++i) {
            const ColSample cs = bilinear_col(b, i);
            const uint32_t p00 = up[cs.left], p01 = up[cs.right], p10 = lo[cs.left], p11 = lo[cs.right];
            drow[i] = b.kind == BilinearKind::plain ? plain_px(p00, p01, p10, p11, int32_t(cs.fx), int32_t(rs.fy))
                                                    : packed_px(b, p00, p01, p10, p11, cs.fx, rs.fy, drow[i]);
        }
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
