// Filters that move or average whole pixels of 32-bit bitmaps; all four bytes of a pixel travel
// together. Bitmaps that are not at 32 bits per pixel are left unchanged by the routines that do
// not set the format themselves (Mosaic32, Rotate32, Rotate32A, Blur32).
#pragma once

#include <lumarix/Export.h>
#include <lumarix/Graphics.h>

#include <cstdint>

namespace lumarix {

/// Pixelates the rectangle x, y, w, h in blocks of blockW x blockH anchored at (x, y): every
/// pixel takes the colour its block's top-left pixel had. The last block of a row or column may
/// be narrower or shorter. The rectangle is clipped to the bitmap first (blocks are then anchored
/// at the clipped rectangle's top-left corner); a block size below 1 leaves the bitmap unchanged.
LUMARIX_API void Mosaic32(int32_t x, int32_t y, int32_t w, int32_t h, int32_t blockW, int32_t blockH,
                          TBitmap& bitmap);

/// Fills the width x height window at (dstX, dstY) of dst with the top-left width x height area
/// of src rotated clockwise by angle degrees about its centre (width div 2, height div 2), by
/// inverse mapping in 10-bit fixed point: for window pixel (i, j), with u = i + panX - hw and
/// v = j + panY - hh, the source is ((u cosK - v sinK + 1024 hw) >> 10, (u sinK + v cosK +
/// 1024 hh) >> 10), where cosK and sinK are the cosine and sine of (360 - angle) degrees times
/// 1024, truncated. Window pixels whose source falls outside the area keep their value.
/// Window pixels outside dst are not written, and source points outside src count as outside
/// the area; a window of no pixels changes nothing.
LUMARIX_API void Rotate32(TBitmap& src, TBitmap& dst, int32_t dstX, int32_t dstY, int32_t width,
                          int32_t height, int32_t panX, int32_t panY, int32_t angle);

/// Rotate32(src, dst, 0, 0, dst's width, dst's height, 0, 0, angle).
LUMARIX_API void Rotate32A(TBitmap& src, TBitmap& dst, int32_t angle);

/// In-place box blur over a (2 radius + 1) square window clipped to the bitmap, pixel by pixel
/// from the top-left: each pixel becomes the truncated mean, byte by byte, of its window as the
/// bitmap holds it at that moment, so pixels above and to the left contribute their blurred
/// values. A radius of 0 or below leaves the bitmap unchanged.
LUMARIX_API void Blur32(TBitmap& bitmap, int32_t radius);

/// Sets 32 bits and turns the picture upside down (row r goes to row height - 1 - r).
LUMARIX_API void ChangeTopBottom(TBitmap& bitmap);

/// Sets 32 bits and mirrors the picture left to right (column c goes to column width - 1 - c).
LUMARIX_API void Mirror(TBitmap& bitmap);

}  // namespace lumarix
