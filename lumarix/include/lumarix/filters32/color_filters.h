// In-place colour filters for 32-bit bitmaps (bytes blue, green, red, fourth byte).
//
// Arithmetic is per byte on unsigned values, truncating, with clamping to 0..255 where a sum can
// leave the byte range. Routines marked "sets 32 bits" first switch the bitmap to 32 bits per
// pixel; the others leave a bitmap of another pixel format unchanged, because its rows do not
// hold 32-bit pixels. A bitmap with no rows or no columns is left unchanged. Bitmaps of any size
// are treated whole.
#pragma once

#include <lumarix/Export.h>
#include <lumarix/Graphics.h>

#include <cstdint>

namespace lumarix {

/// Inverts blue, green and red (255 - value) in the rectangle x, y, w, h; the fourth byte is
/// kept. The rectangle is clipped to the bitmap on every side (the part outside it is ignored),
/// so applying it twice restores the picture.
LUMARIX_API void Nega32(int32_t x, int32_t y, int32_t w, int32_t h, TBitmap& bitmap);

/// Reseeds the random generator, then adds n = RandomDraw(amount), one draw per pixel in row
/// order, to blue, green and red, clamped at 255. The fourth byte is kept.
LUMARIX_API void NoiseRGBALL32(TBitmap& bitmap, uint8_t amount);

/// Sets 32 bits and reseeds, then adds a fresh RandomDraw(amount) to every byte, the fourth bytes
/// included, in memory order, clamped at 255.
LUMARIX_API void Noise32(TBitmap& bitmap, uint8_t amount);

/// Sets 32 bits; row r keeps only blue (r mod 3 = 0), green (1) or red (2), the other two colour
/// bytes become 0. The fourth byte is kept.
LUMARIX_API void RGBDivide32(TBitmap& bitmap);

/// Desaturates towards grey by amount/256: with Y16 = 77 red + 150 green + 29 blue,
/// g = (Y16 * amount) >> 16 and k = 255 - amount, each colour byte becomes g + ((value * k) >> 8).
LUMARIX_API void thinRGB32(TBitmap& bitmap, uint8_t amount);

/// Adds dr, dg and db to red, green and blue, clamped to 0..255. The fourth byte is kept.
LUMARIX_API void ColorRevision32(int32_t dr, int32_t dg, int32_t db, TBitmap& bitmap);

/// Sets 32 bits, then adds delta to every byte, the fourth bytes included, clamped to 0..255.
LUMARIX_API void Bright32(TBitmap& bitmap, int16_t delta);

/// Blue, green and red become (77 red + 150 green + 29 blue) >> 8. The fourth byte is kept.
LUMARIX_API void MonoYUV(TBitmap& bitmap);

/// Blue, green and red become (blue + green + red) div 3. The fourth byte is kept.
LUMARIX_API void MonoAllAdd32(TBitmap& bitmap);

/// Tinted tone mapping: Y = (77 red + 150 green + 29 blue) >> 8 indexes one tone table per tint,
/// T[i] = (t * i) >> 7 below 128 and ((255 - i) * t + 255 * (i - 128)) >> 7 from 128 on.
/// The fourth byte is kept.
LUMARIX_API void SepiaSuper32(TBitmap& bitmap, uint8_t tintRed, uint8_t tintGreen, uint8_t tintBlue);

/// All four bytes become 0 when blue + green + red < threshold, else 255.
LUMARIX_API void Mono32(int32_t threshold, TBitmap& bitmap);

/// Every byte v, the fourth bytes included, becomes min(v, 255 - v).
LUMARIX_API void Solarization32(TBitmap& bitmap);

/// Sets 32 bits; continuing the random sequence (no reseed), each pixel takes v = RandomDraw(255)
/// in blue, green and red and 0 in its fourth byte.
LUMARIX_API void TVNoise32(TBitmap& bitmap);

/// Sets 32 bits; continuing the random sequence (no reseed), each pixel's 32-bit word becomes
/// RandomDraw(0xFFFFFFFF), blue in bits 0 to 7 up to the fourth byte in bits 24 to 31.
LUMARIX_API void TVNoise32Color(TBitmap& bitmap);

/// Posterizes the rectangle x, y, w, h: with step = 256 div levels every byte v, the fourth bytes
/// included, becomes (v div step) * step. The rectangle is clipped to the bitmap; levels outside
/// 1 to 256 leave the bitmap unchanged.
LUMARIX_API void xDivide32(TBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h, int32_t levels);

}  // namespace lumarix
