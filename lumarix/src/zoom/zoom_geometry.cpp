// Zoom clipping (SetOutXYWHSuper) and the per-call fixed-point set-up of every zoom.
//
// The steps come from the sizes as passed, Trunc(size * K / count) with K = 65535 or 255: one
// source pixel counts as 65535 (or 255) units, so the steps fall slightly short of the exact
// ratio. Start values and integer positions come from the clipped rectangles. Every double is
// converted by truncation toward zero.
#include <lumarix/filters32/zoom.h>

#include "zoom/zoom_kernels.h"

#include <cmath>

namespace lumarix {

bool SetOutXYWHSuper(double& srcX, double& srcY, double& srcW, double& srcH, double& dstX, double& dstY,
                     int32_t& dstW, int32_t& dstH, int32_t srcWidth, int32_t srcHeight, int32_t dstWidth,
                     int32_t dstHeight) {
    // Non-finite values would pass every comparison below and make the truncations undefined.
    for (double v : {srcX, srcY, srcW, srcH, dstX, dstY})
        if (!std::isfinite(v)) return false;

    // A zero size fails below in any case; the ratio is then never used.
    const double rx = dstW != 0 ? srcW / dstW : 0.0;
    const double ry = dstH != 0 ? srcH / dstH : 0.0;

    // A source start exactly on the right or bottom edge passes; a destination start there does not.
    if (srcX < 0 || srcX > srcWidth || srcY < 0 || srcY > srcHeight) return false;
    if (dstX >= dstWidth || dstY >= dstHeight) return false;
    if (dstW + dstX <= 0 || dstH + dstY <= 0) return false;

    if (dstX < 0) {
        srcW = (dstW + dstX) * rx;
        srcX = srcX + std::fabs(dstX) * rx;
        dstW = int32_t(dstW + dstX);
        dstX = 0;
    }
    if (dstY < 0) {
        srcH = (dstH + dstY) * ry;
        srcY = srcY + std::fabs(dstY) * ry;
        dstH = int32_t(dstH + dstY);
        dstY = 0;
    }
    if (dstW + dstX > dstWidth) {
        srcW = (dstWidth - dstX) * rx;
        dstW = int32_t(dstWidth - dstX);
    }
    if (dstH + dstY > dstHeight) {
        srcH = (dstHeight - dstY) * ry;
        dstH = int32_t(dstHeight - dstY);
    }
    if (dstW <= 0 || dstH <= 0) return false;

    // The left and top clips moved the source start: test it again.
    if (srcX < 0 || srcX > srcWidth || srcY < 0 || srcY > srcHeight) return false;

    if (srcX + srcW > srcWidth) srcW = srcWidth - srcX;
    if (srcY + srcH > srcHeight) srcH = srcHeight - srcY;
    return true;
}

}  // namespace lumarix

namespace lumarix::zoom {

namespace {

bool finite_rect(const ZoomRect& r) {
    for (double v : {r.srcX, r.srcY, r.srcW, r.srcH, r.dstX, r.dstY})
        if (!std::isfinite(v)) return false;
    return true;
}

// Trunc of a non-negative double saturated into 0 .. 2^32 - 1 (for ratios that only place the
// edge columns and bottom rows, never a memory access).
int64_t trunc_sat_u32(double v) {
    if (!(v > 0)) return 0;
    return v >= 4294967295.0 ? int64_t(4294967295u) : int64_t(v);
}

}  // namespace

bool trunc_u32(double v, uint32_t& out) {
    if (!(v >= 0.0) || v >= 4294967296.0) return false;
    out = uint32_t(v);
    return true;
}

bool accumulator_fits(uint32_t start, uint32_t step, int32_t count) {
    return uint64_t(start) + uint64_t(count > 0 ? count - 1 : 0) * step <= 0xFFFFFFFFu;
}

bool begin_frame(const ZoomRect& req, const TBitmap& src, const TBitmap& dst, Frame& f) {
    if (req.dstW <= 0 || req.dstH <= 0 || !finite_rect(req)) return false;
    if (!(req.srcW > 0) || !(req.srcH > 0)) return false;
    if (src.PixelFormat() != TPixelFormat::pf32bit || dst.PixelFormat() != TPixelFormat::pf32bit) return false;
    if (src.Width() <= 0 || src.Height() <= 0) return false;

    f.req = req;
    f.clip = req;
    ZoomRect& c = f.clip;
    if (!SetOutXYWHSuper(c.srcX, c.srcY, c.srcW, c.srcH, c.dstX, c.dstY, c.dstW, c.dstH, src.Width(),
                         src.Height(), dst.Width(), dst.Height()))
        return false;
    f.srcWidth = src.Width();
    f.srcHeight = src.Height();
    f.dstLeft = int32_t(c.dstX);
    f.dstTop = int32_t(c.dstY);
    // The clipped rectangle lies inside the destination; the min only guards against rounding.
    f.width = std::min(c.dstW, dst.Width() - f.dstLeft);
    f.height = std::min(c.dstH, dst.Height() - f.dstTop);
    return f.width > 0 && f.height > 0;
}

bool setup_saikin(const ZoomRect& req, const TBitmap& src, const TBitmap& dst, SaikinRule rule, uint32_t alpha,
                  SaikinSetup& s) {
    if (!begin_frame(req, src, dst, s.f)) return false;
    const bool eightBits = rule == SaikinRule::masked;
    const double k = eightBits ? 255.0 : 65535.0;
    s.rule = rule;
    s.shift = eightBits ? 8 : 16;
    s.alpha = std::min<uint32_t>(alpha, 256);
    if (!trunc_u32(req.srcW * k / req.dstW, s.stepX) || !trunc_u32(req.srcH * k / req.dstH, s.stepY)) return false;
    if (!trunc_u32(s.f.clip.srcX * (eightBits ? 256.0 : 65535.0), s.startX)) return false;
    if (!accumulator_fits(s.startX, s.stepX, s.f.width) || !accumulator_fits(1, s.stepY, s.f.height)) return false;
    s.srcTop = int32_t(s.f.clip.srcY);

    // Columns sample monotonically; count those whose index is inside the source row.
    const uint64_t limit = uint64_t(s.f.srcWidth) << s.shift;
    if (s.startX >= limit)
        s.inside = 0;
    else if (s.stepX == 0)
        s.inside = s.f.width;
    else
        s.inside = int32_t(std::min<uint64_t>(s.f.width, (limit - s.startX + s.stepX - 1) / s.stepX));
    return true;
}

bool setup_bilinear(const ZoomRect& req, const TBitmap& src, const TBitmap& dst, BilinearKind kind,
                    uint32_t alpha, BilinearSetup& b) {
    if (!begin_frame(req, src, dst, b.f)) return false;
    const ZoomRect& c = b.f.clip;
    b.kind = kind;
    b.alpha = std::min<uint32_t>(alpha, kind == BilinearKind::mmx_alpha ? 255 : 256);
    b.baseY = int32_t(c.srcY);
    b.lastX = b.f.width;
    b.lastY = b.f.height;

    if (kind == BilinearKind::plain) {
        b.shift = 8;
        b.fracShift = 0;
        b.full = 256;
        b.stageShift = 16;
        if (!trunc_u32(req.srcW * 255.0 / req.dstW, b.stepX) || !trunc_u32(req.srcH * 255.0 / req.dstH, b.stepY))
            return false;
        if (!trunc_u32(c.srcX * 256.0, b.startX)) return false;
        b.startY = 1;
        b.baseX = 0;
    } else {
        const bool masked = kind == BilinearKind::mmx_masked || kind == BilinearKind::mmx_masked_alpha;
        b.shift = 16;
        b.fracShift = masked ? 9 : 8;
        b.full = masked ? 128 : 255;
        b.stageShift = masked ? 7 : 8;
        if (!trunc_u32(req.srcW * 65535.0 / req.dstW, b.stepX) ||
            !trunc_u32(req.srcH * 65535.0 / req.dstH, b.stepY))
            return false;
        if (kind == BilinearKind::mmx) {
            if (!trunc_u32(c.srcX * 65535.0, b.startX)) return false;
            b.baseX = 0;
            b.startY = 0;
        } else {
            const double ix = std::trunc(c.srcX), iy = std::trunc(c.srcY);
            if (!trunc_u32((c.srcX - ix) * 65535.0, b.startX) || !trunc_u32((c.srcY - iy) * 65535.0, b.startY))
                return false;
            b.baseX = int32_t(ix);
        }

        if (kind == BilinearKind::mmx) {
            // The edge columns from lastX on are sampled one step to the left.
            const int64_t q = int64_t(c.srcW);
            const int64_t ratioX = trunc_sat_u32(req.dstW * 65535.0 / req.srcW);
            const int64_t lastX = q >= 1 ? ((q - 1) * ratioX) >> 16 : 0;
            b.lastX = int32_t(std::clamp<int64_t>(lastX, 0, b.f.width));
        }

        // A rectangle reaching the source's bottom ends in bottom rows built from its last row.
        const int64_t n = int64_t(c.srcH);
        if (b.f.srcHeight <= b.baseY + n) {
            const int64_t ratioY = trunc_sat_u32(req.dstH * 65535.0 / req.srcH);
            b.lastY = int32_t(std::clamp<int64_t>((n - 1) * ratioY / 65535, 0, b.f.height));
            // With less than one source row there is no last row: row Trunc(srcY) serves.
            const int64_t last = n >= 1 ? b.baseY + n - 1 : b.baseY;
            if (masked && n >= 1) {
                b.bottomUpper = clamp_index(last - 1, b.f.srcHeight);
                b.bottomLower = clamp_index(last, b.f.srcHeight);
                b.bottomFy = uint32_t(((n - 1) * 65535) & 0xFFFF) >> 9;
            } else {
                b.bottomUpper = b.bottomLower = clamp_index(last, b.f.srcHeight);
                b.bottomFy = 0;
            }
        }
    }
    if (!accumulator_fits(b.startX, b.stepX, b.f.width) || !accumulator_fits(b.startY, b.stepY, b.f.height))
        return false;
    return true;
}

}  // namespace lumarix::zoom
