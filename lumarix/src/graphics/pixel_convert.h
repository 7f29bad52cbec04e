// Conversions between the bitmap formats' pixels, shared by the bitmap and its canvas.
#pragma once

#include <lumarix/Graphics.h>

#include <cstdint>
#include <memory>
#include <vector>

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

/// Finds the palette entry closest to a colour (squared distance; of equal distances the lowest
/// index wins). Memory stays bounded however many colours a picture has: answers are remembered
/// in a fixed-size direct-mapped table (slot chosen by a hash of the colour, holding the exact
/// colour and its index), and a new colour is compared only with the entries that can be
/// nearest to anything in its 8 x 8 x 8 cell of colours, listed once per cell. Both are only set
/// up once a few colours have been asked for.
class NearestPaletteIndex {
public:
    explicit NearestPaletteIndex(const TPalette& palette);
    ~NearestPaletteIndex();
    uint8_t operator()(uint8_t blue, uint8_t green, uint8_t red);

    /// The exhaustive search itself, without the tables.
    static uint8_t Search(const TPalette& palette, uint8_t blue, uint8_t green, uint8_t red);

private:
    struct Tables;
    struct FreeTables {
        void operator()(Tables* tables) const;
    };
    const uint8_t* CellCandidates(uint32_t cell, uint32_t& count);

    const TPalette& m_palette;
    uint32_t m_lookups = 0;
    std::unique_ptr<Tables, FreeTables> m_tables;
    std::vector<uint8_t> m_candidates;  // the cells' lists, at most 256 entries each
};

/// Converts one row of `width` pixels from `from` to `to` format.
void ConvertRow(const uint8_t* src, TPixelFormat from, const TPalette& srcPalette, uint8_t* dst, TPixelFormat to,
                NearestPaletteIndex& nearest, int32_t width);

/// The bytes one pixel of 0x00BBGGRR colour takes in `format` (for pf8bit: index in bytes[0]).
void EncodeColor(uint32_t rgb, TPixelFormat format, NearestPaletteIndex& nearest, uint8_t bytes[4]);

}  // namespace lumarix::detail
