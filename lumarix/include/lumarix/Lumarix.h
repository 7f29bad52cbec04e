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

    // ---- Blits -----------------------------------------------------------------------------------
    // Every blit is called on the source and copies the rectangle width × height from (srcX, srcY)
    // of this bitmap to (destX, destY) of `dest` (the rectangle fills work on this bitmap alone).
    // The rectangle is clipped with SetXYWHAuto against the destination; beyond that, whatever the
    // caller passes, no blit reads or writes outside a bitmap: a source rectangle reaching outside
    // the source, a destination row holding fewer 4-byte pixels than its width, or a transition
    // map smaller than the covered destination cuts the rectangle, and the target pixels without a
    // source pixel or map byte are left unchanged. A width or height of 0 or less after clipping
    // draws nothing. A 16-bit alpha above 256 counts as 256 where 256 is the largest accepted
    // value, and a transition softness above 15 (plain) or 8 (MMX) counts as 15 or 8. A transition
    // whose map is its destination reads each map byte as the row stands when that pixel's turn
    // comes, pixels left to right.

    // ---- Colour-key and constant-alpha blits ---------------------------------------------------
    /// Copies blue, green and red with a fourth byte of 0, except where the source's blue, green
    /// and red equal bits 0, 8 and 16 of the (resolved) key as they stand, red and blue not exchanged.
    void ColorKey(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                  TBitmap& dest, TColor keyColor);
    /// d' = (s·a + d·(256 − a)) >> 8 on all four bytes, a = alpha limited to 255; alpha 0 does nothing.
    void ColorAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                    TBitmap& dest, uint16_t alpha);
    /// As ColorAlpha with alpha 0 to 256 (256 copies the source).
    void ColorAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                       TBitmap& dest, uint16_t alpha);
    /// The bytes of ColorAlphaMMX; an odd clipped width is handed to ColorAlphaMMX.
    void ColorAlphaMMX64(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                         TBitmap& dest, uint16_t alpha);
    /// The bytes of ColorAlphaMMX64.
    void ColorAlphaSSE2_64(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                           int32_t srcY, TBitmap& dest, uint16_t alpha);
    /// Key test as ColorKey, then the constant-alpha blend of blue, green and red; fourth byte kept.
    void ColorKeyAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                       TBitmap& dest, TColor keyColor, uint8_t alpha);
    /// Key test as ColorKey, then the blend of all four bytes, alpha 0 to 256.
    void ColorKeyAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                          int32_t srcY, TBitmap& dest, TColor keyColor, uint16_t alpha);

    // ---- Per-pixel-alpha picture blits (fourth byte A: 0 opaque, 255 transparent) --------------
    /// Weights 255 − A and A + 1, >> 8; blue, green, red.
    void ColorAlphaPic(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                       TBitmap& dest);
    /// Weights 127 − (A >> 1) and (A >> 1) + 1, >> 7; all four bytes.
    void ColorAlphaPicMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                          int32_t srcY, TBitmap& dest);
    /// ColorAlphaPic, skipping A = 255 and copying blue, green, red where A = 0.
    void ColorAlphaPicCh(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                         TBitmap& dest);
    /// ColorAlphaPicMMX, skipping A ≥ 254 and copying the whole pixel where A ≤ 1.
    void ColorAlphaPicChMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                            int32_t srcY, TBitmap& dest);
    /// k = ((256 − A)·alpha) >> 8, d' = (s·k + d·(256 − k)) >> 8; blue, green, red; alpha 0 to 256.
    void ColorAlphaPicAlpha(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                            int32_t srcY, TBitmap& dest, uint16_t alpha);
    /// k = ((255 − A)·(alpha + 1)) >> 8, d' = (s·k + d·(255 − k)) >> 8; all four bytes.
    void ColorAlphaPicAlphaMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                               int32_t srcY, TBitmap& dest, uint16_t alpha);
    /// ColorAlphaPicAlpha, skipping pixels whose source weight is 0 (the same bytes).
    void ColorAlphaPicAlphaCh(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                              int32_t srcY, TBitmap& dest, uint16_t alpha);
    /// ColorAlphaPicAlphaMMX, skipping A = 255.
    void ColorAlphaPicAlphaChMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                 int32_t srcY, TBitmap& dest, uint16_t alpha);
    /// Transition by the map byte v under each destination pixel: W = 1 << softness,
    /// T = (progress·(256 + W)) >> 8; v > T skipped, e = T − v ≤ W gives
    /// (s·e + d·(W − e)) >> softness, beyond the band the source; blue, green, red.
    void ColorAlphaPicTrans(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                            int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress, uint16_t softness);
    /// ColorAlphaPicTrans on all four bytes (softness 0 to 8).
    void ColorAlphaPicTransMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                               int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress, uint16_t softness);
    /// The transition weighed by the transparency byte too: band weight f = (e << 8) >> softness
    /// (256 beyond the band), k = ((256 − A)·f) >> 8, d' = (s·k + d·(256 − k)) >> 8; blue, green, red.
    void ColorAlphaPicAlphaTrans(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                 int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress, uint16_t softness);
    /// The bytes of ColorAlphaPicTransMMX (the transparency byte is not read).
    void ColorAlphaPicAlphaTransMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX,
                                    int32_t srcY, TBitmap& map, TBitmap& dest, uint16_t progress,
                                    uint16_t softness);

    // ---- Rectangle, alpha-copy, additive and subtractive blits ---------------------------------
    /// d' = (d·(255 − alpha) + c·(alpha + 1)) >> 8 in blue, green, red of this bitmap; fourth byte kept.
    void RectAngleAlpha(int32_t x, int32_t y, int32_t width, int32_t height, TColor color, uint8_t alpha);
    /// d' = (d·(256 − alpha) + c·alpha) >> 8 in all four bytes, the fourth blended toward 0.
    void RectAngleAlphaMMX(int32_t x, int32_t y, int32_t width, int32_t height, TColor color, uint8_t alpha);
    /// ColorAlphaPicAlpha on all four bytes: the fourth byte moves toward the source's A.
    void CopyAlpha32(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                     TBitmap& dest, uint16_t alpha);
    /// d' = min(255, d + min(255, (s·level) >> 8)) on all four bytes.
    void ColorAdd(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                  TBitmap& dest, uint16_t level);
    /// d' = min(255, d + (((s·level) mod 65536) >> 8)); tests neither bitmap for emptiness, so an
    /// empty source raises the row-access error.
    void ColorAddMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                     TBitmap& dest, uint16_t level);
    /// d' = max(0, d − min(255, (s·level) >> 8)) on all four bytes.
    void ColorSub(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                  TBitmap& dest, uint16_t level);
    /// d' = max(0, d − (((s·level) mod 65536) >> 8)).
    void ColorSubMMX(int32_t destX, int32_t destY, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                     TBitmap& dest, uint16_t level);
};

/// The integer clamped to 0..255.
LUMARIX_API uint8_t RoundByte(int32_t value);

/// Clips a blit rectangle against a destination of destWidth × destHeight pixels. Returns false
/// (and changes nothing) when no part of it lies on the destination. A source corner that the
/// cut at the left or top edge would push past INT32_MAX stays at INT32_MAX.
LUMARIX_API bool SetXYWHAuto(int32_t& srcX, int32_t& srcY, int32_t& width, int32_t& height, int32_t& destX,
                             int32_t& destY, int32_t destWidth, int32_t destHeight);

/// True when the bitmap is wider than 0 pixels (its height is not looked at).
LUMARIX_API bool SelfCheck(const TBitmap& bitmap);

// Inside, the library runs its kernels at the best SIMD level the processor offers (plain, SSE2
// or AVX2), chosen once per process and giving the same bytes at every level; MMXCheck() and
// SSE2Check() below answer only the caller's question. The environment variable LUMARIX_ISA,
// read once at the first routine that runs a kernel, caps that level: "plain" (no SIMD), "sse2",
// or "avx2" (the default, as is any other value). It never raises the level above the
// processor's. Meant for tests and benchmarks that compare the paths on one machine.

/// Whether the processor reports MMX (CPUID leaf 1, EDX bit 23); false on non-x86 processors.
LUMARIX_API bool MMXCheck();
/// Whether the processor reports SSE2 (CPUID leaf 1, EDX bit 26); false on non-x86 processors.
LUMARIX_API bool SSE2Check();

/// Bit (7 − index) of value as 0 or 1; 0 for an index (mod 32) of 8 or more.
LUMARIX_API uint8_t getbit(uint8_t value, uint8_t index);
/// value OR (bit << (7 − index)), kept to 8 bits; value unchanged for an index (mod 32) of 8 or more.
LUMARIX_API uint8_t setbit(uint8_t value, uint8_t index, uint8_t bit);

/// Builds a 32-bit result from a colour picture (converted to 32 bits in place) and the blue
/// bytes of a 24-bit mask picture, which become the fourth bytes. One bitmap may play several
/// roles: the result is then what distinct bitmaps with the same pixels would give, and a mask
/// that is also the colour picture or the result is not converted to 24 bits (it ends at 32).
LUMARIX_API void Convert24Ato32(TBitmap& colour, TBitmap& mask, TBitmap& result);
/// Builds an 8-bit result whose bytes are the blue bytes of the 24-bit source. With the source
/// as its own result, the bitmap ends at 8 bits holding the blue bytes its pixels had.
LUMARIX_API void Convert24Ato8(TBitmap& source, TBitmap& result);

}  // namespace lumarix
