// Bit helpers for a byte, and the converters that build masks and transition maps.
#include <lumarix/Lumarix.h>

#include <algorithm>

namespace lumarix {

uint8_t getbit(uint8_t value, uint8_t index) {
    const unsigned i = index % 32u;
    return i < 8 ? (value >> (7 - i)) & 1 : 0;
}

uint8_t setbit(uint8_t value, uint8_t index, uint8_t bit) {
    const unsigned i = index % 32u;
    return i < 8 ? uint8_t(value | (unsigned(bit) << (7 - i))) : value;
}

// The mask must be at least as large as the colour picture: a missing row raises the row-access
// error; columns past the mask's width give a fourth byte of 0 instead of reading past its row.
void Convert24Ato32(TBitmap& colour, TBitmap& mask, TBitmap& result) {
    result.SetWidth(colour.Width());
    result.SetHeight(colour.Height());
    result.SetPixelFormat(TPixelFormat::pf32bit);
    colour.SetPixelFormat(TPixelFormat::pf32bit);
    mask.SetPixelFormat(TPixelFormat::pf24bit);

    const int32_t width = std::min(result.Width(), colour.Width());
    for (int32_t y = 0; y < result.Height(); ++y) {
        const uint8_t* c = colour.ScanLine(y);
        const uint8_t* m = mask.ScanLine(y);
        uint8_t* r = result.ScanLine(y);
        const int32_t maskWidth = std::min(width, mask.Width());
        for (int32_t x = 0; x < width; ++x) {
            r[4 * x] = c[4 * x];
            r[4 * x + 1] = c[4 * x + 1];
            r[4 * x + 2] = c[4 * x + 2];
            r[4 * x + 3] = x < maskWidth ? m[3 * x] : 0;
        }
    }
}

void Convert24Ato8(TBitmap& source, TBitmap& result) {
    result.SetWidth(source.Width());
    result.SetHeight(source.Height());
    source.SetPixelFormat(TPixelFormat::pf24bit);
    result.SetPixelFormat(TPixelFormat::pf8bit);
    for (int32_t y = 0; y < source.Height(); ++y) {
        const uint8_t* s = source.ScanLine(y);
        uint8_t* r = result.ScanLine(y);
        for (int32_t x = 0; x < source.Width(); ++x) r[x] = s[3 * x];
    }
}

}  // namespace lumarix
