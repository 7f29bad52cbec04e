// Text output onto 32-bit bitmaps: supersampled text, text written into layer bitmaps (colour in
// blue, green, red and a transparency byte in the fourth byte, 0 opaque to 255 transparent),
// decorated text (outline, shadow, jitter, offset copy) and the colour-key mask.
//
// Every routine expects a destination with 32 bits per pixel and does nothing on any other
// format. Positions are the top-left corner of the text in destination pixels. Columns outside
// the bitmap are never written: SuperTextOut clips all four edges, the layer routines clip their
// columns and fetch every row through ScanLine, so a row outside the bitmap ends the drawing with
// EInvalidGraphicOperation after the rows already written (temporaries are released first).
#pragma once

#include <lumarix/Export.h>
#include <lumarix/Graphics.h>

#include <cstdint>
#include <string>

namespace lumarix {

/// Anti-aliased text: rendered in black at twice the font size, every 2 x 2 block of samples
/// gives one destination pixel's coverage, which blends the font colour into blue, green and
/// red ((destination * a + colour * (256 - a)) >> 8). The fourth byte is kept.
LUMARIX_API void SuperTextOut(TBitmap& bitmap, int32_t x, int32_t y, const TFont& font, const std::string& text);

/// Supersampled text into a layer: covered pixels get the font colour and a transparency byte
/// of (sum of the four samples) >> 2; pixels under paper only are left exactly as they were.
LUMARIX_API void SuperTextOut_Layer(TBitmap& bitmap, int32_t x, int32_t y, const TFont& font,
                                    const std::string& text);

/// Text into a layer at the normal size: every inked pixel becomes the font colour with
/// transparency byte 0; others are left as they were.
LUMARIX_API void SuperTextOutFast_Layer(TBitmap& bitmap, int32_t x, int32_t y, const TFont& font,
                                        const std::string& text);

/// Decorated SuperTextOut. effect: 0 plain, 1 outline in effectColor, 2 shadow in effectColor
/// two pixels right and down, 3/4/5 random horizontal/vertical/both-ways jitter of up to
/// size div 3 pixels (reseeding the process-wide generator), 6 the text in the font colour one
/// pixel up-left under a copy in effectColor. Any other effect draws nothing.
LUMARIX_API void StdTextOut(int32_t effect, int32_t x, int32_t y, const std::string& text, const TFont& font,
                            TColor effectColor, TBitmap& bitmap);

/// StdTextOut drawn with SuperTextOut_Layer; its outline lies one pixel further right and down
/// (offsets 0 to +2), so the text's own copy is drawn at (x + 1, y + 1).
LUMARIX_API void StdTextOut_Layer(int32_t effect, int32_t x, int32_t y, const std::string& text,
                                  const TFont& font, TColor effectColor, TBitmap& bitmap);

/// StdTextOut drawn with SuperTextOutFast_Layer.
LUMARIX_API void StdTextOutFast_Layer(int32_t effect, int32_t x, int32_t y, const std::string& text,
                                      const TFont& font, TColor effectColor, TBitmap& bitmap);

/// The effects drawn with the surface's own TextOut (no supersampling). The surface's font is
/// restored afterwards; its brush is left clear, also for an unknown effect. Effect 6 draws the
/// effect colour up-left first and the font colour on top.
LUMARIX_API void StdTextOutFast(int32_t effect, int32_t x, int32_t y, const std::string& text, const TFont& font,
                                TColor effectColor, TCanvas& canvas);

/// Turns the rectangle (clipped to the bitmap) into a layer: pixels whose blue, green and red
/// bytes equal bits 0-7, 8-15 and 16-23 of the resolved key get transparency byte 255, all
/// others 0. Colour bytes are kept. A width or height below 1 changes nothing.
LUMARIX_API void MakeColorKeyMask32(int32_t x, int32_t y, int32_t w, int32_t h, TBitmap& bitmap, TColor key);

}  // namespace lumarix
