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

namespace {

/// A 24-bit copy of `picture`, for a bitmap that also plays a role whose format a converter
/// changes: the copy keeps the pixels it had on entry, in the layout the reading loop expects.
void Copy24(const TBitmap& picture, TBitmap& copy) {
    copy.Assign(picture);
    copy.SetPixelFormat(TPixelFormat::pf24bit);
}

}  // namespace

// The mask must be at least as large as the colour picture: a missing row raises the row-access
// error; columns past the mask's width give a fourth byte of 0 instead of reading past its row.
// A mask that is also the colour picture or the result is read from a copy taken on entry, and
// keeps the format of its other role.
void Convert24Ato32(TBitmap& colour, TBitmap& mask, TBitmap& result) {
    TBitmap maskCopy;
    const bool maskShared = &mask == &colour || &mask == &result;
    if (maskShared) Copy24(mask, maskCopy);
    const TBitmap& m24 = maskShared ? maskCopy : mask;

    result.SetWidth(colour.Width());
    result.SetHeight(colour.Height());
    result.SetPixelFormat(TPixelFormat::pf32bit);
    colour.SetPixelFormat(TPixelFormat::pf32bit);
    if (!maskShared) mask.SetPixelFormat(TPixelFormat::pf24bit);

    const int32_t width = std::min(result.Width(), colour.Width());
    const int32_t maskWidth = std::min(width, m24.Width());
    for (int32_t y = 0; y < result.Height(); ++y) {
        const uint8_t* c = colour.ScanLine(y);
        const uint8_t* m = m24.ScanLine(y);
        uint8_t* r = result.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            r[4 * x] = c[4 * x];
            r[4 * x + 1] = c[4 * x + 1];
            r[4 * x + 2] = c[4 * x + 2];
            r[4 * x + 3] = x < maskWidth ? m[3 * x] : 0;
        }
    }
}

// A source that is also the result is read from a 24-bit copy taken on entry; the bitmap ends
// in the result's 8-bit format.
void Convert24Ato8(TBitmap& source, TBitmap& result) {
    TBitmap sourceCopy;
    const bool shared = &source == &result;
    if (shared) Copy24(source, sourceCopy);
    const TBitmap& s24 = shared ? sourceCopy : source;

    // Every pixel of the result is written below: its old picture is dropped (width 0) instead of
    // being matched to the palette, which for a picture of many colours is the costly part.
    const int32_t width = source.Width(), height = source.Height();
    result.SetWidth(0);
    result.SetPixelFormat(TPixelFormat::pf8bit);
    result.SetHeight(height);
    result.SetWidth(width);
    if (!shared) source.SetPixelFormat(TPixelFormat::pf24bit);
    for (int32_t y = 0; y < s24.Height(); ++y) {
        const uint8_t* s = s24.ScanLine(y);
        uint8_t* r = result.ScanLine(y);
        for (int32_t x = 0; x < s24.Width(); ++x) r[x] = s[3 * x];
    }
}

}  // namespace lumarix
