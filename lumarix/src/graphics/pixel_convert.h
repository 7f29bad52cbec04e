// Conversions between the bitmap formats' pixels, shared by the bitmap and its canvas.
#pragma once

#include <lumarix/Graphics.h>

#include <cstdint>
#include <unordered_map>

namespace lumarix::detail {

inline int32_t BytesPerPixel(TPixelFormat format) {
    switch (format) {
        case TPixelFormat::pf8bit: return 1;
        case TPixelFormat::pf24bit: return 3;
        case TPixelFormat::pf32bit: return 4;
    }
    return 4;
}

/// Row size in bytes, padded to a multiple of 4; -1 when it would not fit in 32 bits.
inline int64_t RowStrideFor(int32_t width, TPixelFormat format) {
    const int64_t bits = int64_t(width) * BytesPerPixel(format) * 8;
    return ((bits + 31) / 32) * 4;
}

/// Finds the palette entry closest to a colour (squared distance; the first exact match wins),
/// remembering earlier answers.
class NearestPaletteIndex {
public:
    explicit NearestPaletteIndex(const TPalette& palette) : m_palette(palette) {}
    uint8_t operator()(uint8_t blue, uint8_t green, uint8_t red);

private:
    const TPalette& m_palette;
    std::unordered_map<uint32_t, uint8_t> m_cache;
};

/// Converts one row of `width` pixels from `from` to `to` format.
void ConvertRow(const uint8_t* src, TPixelFormat from, const TPalette& srcPalette, uint8_t* dst, TPixelFormat to,
                NearestPaletteIndex& nearest, int32_t width);

/// The bytes one pixel of 0x00BBGGRR colour takes in `format` (for pf8bit: index in bytes[0]).
void EncodeColor(uint32_t rgb, TPixelFormat format, NearestPaletteIndex& nearest, uint8_t bytes[4]);

}  // namespace lumarix::detail
