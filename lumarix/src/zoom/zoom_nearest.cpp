// Nearest-neighbour zooms: the plain model and the public routines.
//
// Destination row j takes source row Trunc(srcY) + ((1 + j * stepY) >> F); destination column i
// takes source column (startX + i * stepX) >> F, F = 16 (8 for the masked variant). Pixel rules,
// all unsigned with a truncating >> 8 and the low 8 bits stored:
//   copy          all four bytes of the source
//   masked        c = (d * (m + 1) + s * (255 - m)) >> 8, fourth byte m (m = source's fourth byte)
//   masked_Alpha  w = ((256 - m) * alpha) >> 8, c = (d * (256 - w) + s * w) >> 8, fourth byte m
//   Alpha         c = (s * alpha + d * (256 - alpha)) >> 8, fourth byte from the source
// The x86-64 build runs the SSE2 code (zoom_nearest_sse2.cpp), which gives the same bytes; with
// one bitmap as source and destination the model runs, in its order of reads and writes.
#include <lumarix/filters32/zoom.h>

#include "filters/filter_common.h"
#include "zoom/zoom_p.h"

namespace lumarix::zoom {

void saikin_model(const SaikinSetup& s, TBitmap& src, TBitmap& dst) {
    for (int32_t j = 0; j < s.f.height; ++j) {
        const auto* srow = reinterpret_cast<const uint32_t*>(src.ScanLine(saikin_row(s, j)));
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + j)) + s.f.dstLeft;
        for (int32_t i = 0; i < s.f.width; ++i) drow[i] = saikin_px(s.rule, srow[saikin_col(s, i)], drow[i], s.alpha);
    }
}

namespace {

void run_saikin(const ZoomRect& r, TBitmap& src, TBitmap& dst, SaikinRule rule, uint32_t alpha) {
    SaikinSetup s;
    if (!setup_saikin(r, src, dst, rule, alpha, s)) return;
#if LUMARIX_ZOOM_SSE2
    // The vector code reads rows into caches and several pixels ahead of its stores; one bitmap
    // in both roles takes the model's walk, which reads each pixel just before its write.
    if (simd::use_sse2() && !filters::shares_pixels(src, dst)) return saikin_sse2(s, src, dst);
#endif
    saikin_model(s, src, dst);
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
