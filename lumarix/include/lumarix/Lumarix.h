// The Lumarix unit: the always-32-bit bitmap TLumarix with its pixel helpers and blits, and the
// unit's free functions (byte clamp, blit clipping, processor checks, bit helpers, converters).
//
// No routine here picks a SIMD variant by itself: callers ask MMXCheck()/SSE2Check() and call
// the variant they want. Every MMX/SSE2 variant runs everywhere; where the processor lacks x86
// SIMD it runs a plain model of the same numbers.
#pragma once

#include <lumarix/Export.h>
#include <lumarix/Graphics.h>

#include <cstdint>
#include <iosfwd>
#include <string>

namespace lumarix {

/// A bitmap kept at 32 bits per pixel (bytes blue, green, red, fourth byte), and the source
/// of every blit.
class LUMARIX_API TLumarix : public TBitmap {
public:
    TLumarix();
    ~TLumarix() override;

    void Do32();
    void SetSize(int32_t width, int32_t height);
    void SetSizeP(TPoint size);
    void Zero();
    void LoadFromFile(const std::string& fileName) override;
    void LoadFromStream(std::istream& stream) override;
    void Assign(const TBitmap& source) override;

    void PutRGB(int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue);
    void PutColor(int32_t x, int32_t y, TColor colour);
    void GetRGB(int32_t x, int32_t y, uint8_t& red, uint8_t& green, uint8_t& blue);
    void GetColor(int32_t x, int32_t y, TColor& colour);
    void FillBMP(uint8_t red, uint8_t green, uint8_t blue);

    // ---- Colour-key and constant-alpha blits ---------------------------------------------------
    void ColorKey(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                  TBitmap& dest, TColor keyColor);
    void ColorAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                    TBitmap& dest, uint16_t alpha);
    void ColorAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                       TBitmap& dest, uint16_t alpha);
    void ColorAlphaMMX64(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                         TBitmap& dest, uint16_t alpha);
    void ColorAlphaSSE2_64(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                           int32_t srcY, TBitmap& dest, uint16_t alpha);
    void ColorKeyAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                       TBitmap& dest, TColor keyColor, uint8_t alpha);
    void ColorKeyAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                          int32_t srcY, TBitmap& dest, TColor keyColor, uint16_t alpha);

    // ---- Per-pixel-alpha picture blits ---------------------------------------------------------
    void ColorAlphaPic(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                       TBitmap& dest);
    void ColorAlphaPicMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                          int32_t srcY, TBitmap& dest);
    void ColorAlphaPicCh(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                         TBitmap& dest);
    void ColorAlphaPicChMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                            int32_t srcY, TBitmap& dest);
    void ColorAlphaPicAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                            int32_t srcY, TBitmap& dest, uint16_t alpha);
    void ColorAlphaPicAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                               int32_t srcY, TBitmap& dest, uint16_t alpha);
    void ColorAlphaPicAlphaCh(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                              int32_t srcY, TBitmap& dest, uint16_t alpha);
    void ColorAlphaPicAlphaChMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                 int32_t srcY, TBitmap& dest, uint16_t alpha);
    void ColorAlphaPicTrans(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                            int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress, uint16_t softness);
    void ColorAlphaPicTransMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                               int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress, uint16_t softness);
    void ColorAlphaPicAlphaTrans(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                 int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress, uint16_t softness);
    void ColorAlphaPicAlphaTransMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                    int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress,
                                    uint16_t softness);

    // ---- Rectangle, alpha-copy, additive and subtractive blits ---------------------------------
    void RectAngleAlpha(int32_t x, int32_t y, int32_t width, int32_t height, TColor color, uint8_t alpha);
    void RectAngleAlphaMMX(int32_t x, int32_t y, int32_t width, int32_t height, TColor color, uint8_t alpha);
    void CopyAlpha32(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                     TBitmap& dest, uint16_t alpha);
    void ColorAdd(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                  TBitmap& dest, uint16_t level);
    void ColorAddMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                     TBitmap& dest, uint16_t level);
    void ColorSub(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                  TBitmap& dest, uint16_t level);
    void ColorSubMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                     TBitmap& dest, uint16_t level);
};

/// The integer clamped to 0..255.
LUMARIX_API uint8_t RoundByte(int32_t value);

/// Clips a blit rectangle against a destination of destWidth × destHeight pixels. Returns false
/// (and changes nothing) when no part of it lies on the destination.
LUMARIX_API bool SetXYWHAuto(int32_t& srcX, int32_t& srcY, int32_t& width, int32_t& height, int32_t& destX,
                             int32_t& destY, int32_t destWidth, int32_t destHeight);

/// True when the bitmap is wider than 0 pixels (its height is not looked at).
LUMARIX_API bool SelfCheck(const TBitmap& bitmap);

/// Whether the processor reports MMX (CPUID leaf 1, EDX bit 23); false on non-x86 processors.
LUMARIX_API bool MMXCheck();
/// Whether the processor reports SSE2 (CPUID leaf 1, EDX bit 26); false on non-x86 processors.
LUMARIX_API bool SSE2Check();

/// Bit (7 − index) of value as 0 or 1; 0 for an index (mod 32) of 8 or more.
LUMARIX_API uint8_t getbit(uint8_t value, uint8_t index);
/// value OR (bit << (7 − index)), kept to 8 bits; value unchanged for an index (mod 32) of 8 or more.
LUMARIX_API uint8_t setbit(uint8_t value, uint8_t index, uint8_t bit);

/// Builds a 32-bit result from a colour picture (converted to 32 bits in place) and the blue
/// bytes of a 24-bit mask picture, which become the fourth bytes.
LUMARIX_API void Convert24Ato32(TBitmap& colour, TBitmap& mask, TBitmap& result);
/// Builds an 8-bit result whose bytes are the blue bytes of the 24-bit source.
LUMARIX_API void Convert24Ato8(TBitmap& source, TBitmap& result);

}  // namespace lumarix
