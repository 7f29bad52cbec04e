// Zooms of the Lumarixfilters32 unit: a source rectangle with fractional position and size,
// scaled onto a destination rectangle, by nearest-neighbour sampling or bilinear interpolation.
//
// Every zoom takes the source rectangle (srcX, srcY, srcW, srcH, in source pixels, may carry a
// fraction), the destination rectangle (dstX, dstY, fractional; dstW, dstH, whole pixels), the
// source and the destination bitmap, both at 32 bits per pixel. The fixed-point steps come from
// the sizes as passed; SetOutXYWHSuper then clips both rectangles against the bitmaps.
//
// Safety limits (the library's own choices, nothing is ever read or written outside a bitmap):
//   - Nothing is drawn when SetOutXYWHSuper refuses, when dstW or dstH is 0 or less, when srcW
//     or srcH is 0 or less, when a value is not finite, when either bitmap is not 32-bit or the
//     source is empty, or when a fixed-point position would leave its unsigned 32-bit range
//     (source positions of 65536 pixels or more with 16 fraction bits).
//   - Samples right of the source bitmap's last column take the last column, samples below its
//     last row take the last row, samples above its first row take the first row; no source
//     rectangle makes a zoom raise the row access's error.
//   - An alpha above its scale (256, or 255 for Stretch_ZoomIn_BiLinearMMX32_alpha) counts as
//     the top of the scale.
//
// Every zoom runs the kernels of the library's SIMD level (SSE2, AVX2, NEON or plain code), all
// with the same numbers; the MMX-named ones do not check the processor themselves. A zoom of a bitmap onto itself is not supported.
#pragma once

#include <lumarix/Export.h>
#include <lumarix/Graphics.h>

#include <cstdint>

namespace lumarix {

/// Clips a zoom's source and destination rectangles against the source bitmap
/// (srcWidth × srcHeight) and the destination bitmap (dstWidth × dstHeight), keeping the scale
/// srcW / dstW and srcH / dstH of the values on entry. Returns true when something is left to
/// draw; the references then hold the clipped rectangles. On false they must not be used.
/// Non-finite values are refused.
LUMARIX_API bool SetOutXYWHSuper(double& srcX, double& srcY, double& srcW, double& srcH, double& dstX,
                                 double& dstY, int32_t& dstW, int32_t& dstH, int32_t srcWidth,
                                 int32_t srcHeight, int32_t dstWidth, int32_t dstHeight);

// ==== Nearest-neighbour zooms =====================================================================

/// Nearest-neighbour zoom copying all four bytes of each sampled pixel (16 fraction bits).
LUMARIX_API void Stretch_ZoomIn_Saikin32(double srcX, double srcY, double srcW, double srcH, double dstX,
                                         double dstY, int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst);

/// Nearest-neighbour zoom blending by the source's transparency byte m (0 opaque .. 255
/// transparent): c = (d * (m + 1) + s * (255 - m)) >> 8, fourth byte m (8 fraction bits).
LUMARIX_API void Stretch_ZoomIn_Saikin32_masked(double srcX, double srcY, double srcW, double srcH, double dstX,
                                                double dstY, int32_t dstW, int32_t dstH, TBitmap& src,
                                                TBitmap& dst);

/// Nearest-neighbour zoom blending by transparency byte and opacity `alpha` (0..256):
/// w = ((256 - m) * alpha) >> 8, c = (d * (256 - w) + s * w) >> 8, fourth byte m.
LUMARIX_API void Stretch_ZoomIn_Saikin32_masked_Alpha(double srcX, double srcY, double srcW, double srcH,
                                                      double dstX, double dstY, int32_t dstW, int32_t dstH,
                                                      TBitmap& src, TBitmap& dst, uint32_t alpha);

/// Nearest-neighbour zoom with opacity `alpha` (0..256): c = (s * alpha + d * (256 - alpha)) >> 8,
/// fourth byte from the source.
LUMARIX_API void Stretch_ZoomIn_Saikin32_Alpha(double srcX, double srcY, double srcW, double srcH, double dstX,
                                               double dstY, int32_t dstW, int32_t dstH, TBitmap& src,
                                               TBitmap& dst, uint16_t alpha);

// ==== Bilinear zooms ==============================================================================

/// Exact bilinear zoom with 8-bit fractions (weights sum to 256); the destination becomes the
/// interpolated pixel, all four bytes.
LUMARIX_API void Stretch_ZoomIn_BiLinear32(double srcX, double srcY, double srcW, double srcH, double dstX,
                                           double dstY, int32_t dstW, int32_t dstH, TBitmap& src, TBitmap& dst);

/// Packed bilinear zoom (16-bit positions, weights summing to 255, two truncating stages), with
/// the right edge columns stepped back and the bottom rows taken from the last source row.
LUMARIX_API void Stretch_ZoomIn_BiLinearMMX32(double srcX, double srcY, double srcW, double srcH, double dstX,
                                              double dstY, int32_t dstW, int32_t dstH, TBitmap& src,
                                              TBitmap& dst);

/// Packed bilinear zoom (weights summing to 128) blended by the interpolated transparency byte m:
/// k = (m >> 1) + 1, result = (v * (128 - k) + d * k) >> 7 on all four bytes.
LUMARIX_API void Stretch_ZoomIn_BiLinearMMX32_masked(double srcX, double srcY, double srcW, double srcH,
                                                     double dstX, double dstY, int32_t dstW, int32_t dstH,
                                                     TBitmap& src, TBitmap& dst);

/// As Stretch_ZoomIn_BiLinearMMX32_masked, with opacity `alpha` (0..256):
/// w = ((((255 - m) >> 1) + 1) * alpha) >> 8, result = (v * w + d * (128 - w)) >> 7.
LUMARIX_API void Stretch_ZoomIn_BiLinearMMX32_masked_Alpha(double srcX, double srcY, double srcW, double srcH,
                                                           double dstX, double dstY, int32_t dstW, int32_t dstH,
                                                           TBitmap& src, TBitmap& dst, uint32_t alpha);

/// Packed bilinear zoom (weights summing to 255) with opacity `alpha` (0..255):
/// result = (v * alpha + d * (255 - alpha)) >> 8 on all four bytes.
LUMARIX_API void Stretch_ZoomIn_BiLinearMMX32_alpha(double srcX, double srcY, double srcW, double srcH,
                                                    double dstX, double dstY, int32_t dstW, int32_t dstH,
                                                    TBitmap& src, TBitmap& dst, uint32_t alpha);

}  // namespace lumarix
