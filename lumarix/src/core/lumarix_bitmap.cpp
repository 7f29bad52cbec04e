// TLumarix: the bitmap kept at 32 bits per pixel, its pixel helpers and fill; RoundByte.
#include <lumarix/Lumarix.h>

#include <algorithm>
#include <cstring>

namespace lumarix {

namespace {

// Pixel x of a row when it lies inside the row's bytes; column indices are the caller's to keep
// in range, and one outside is ignored rather than touching memory beyond the row.
uint8_t* PixelAt(TBitmap& bitmap, int32_t x, int32_t y) {
    uint8_t* row = bitmap.ScanLine(y);
    if (x < 0 || int64_t(x) * 4 + 4 > bitmap.RowStride()) return nullptr;
    return row + size_t(x) * 4;
}

}  // namespace

TLumarix::TLumarix() { Do32(); }

TLumarix::~TLumarix() = default;

void TLumarix::Do32() { SetPixelFormat(TPixelFormat::pf32bit); }

void TLumarix::SetSize(int32_t width, int32_t height) {
    Do32();
    SetWidth(width);
    SetHeight(height);
}

void TLumarix::SetSizeP(TPoint size) { SetSize(size.x, size.y); }

void TLumarix::Zero() {
    SetWidth(0);
    SetHeight(0);
    Do32();
}

void TLumarix::LoadFromFile(const std::string& fileName) {
    TBitmap::LoadFromFile(fileName);
    Do32();
}

void TLumarix::LoadFromStream(std::istream& stream) {
    TBitmap::LoadFromStream(stream);
    Do32();
}

void TLumarix::Assign(const TBitmap& source) {
    TBitmap::Assign(source);
    Do32();
}

void TLumarix::PutRGB(int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue) {
    if (uint8_t* p = PixelAt(*this, x, y)) {
        p[0] = blue;
        p[1] = green;
        p[2] = red;
    }
}

void TLumarix::PutColor(int32_t x, int32_t y, TColor colour) {
    PutRGB(x, y, uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16));
}

void TLumarix::GetRGB(int32_t x, int32_t y, uint8_t& red, uint8_t& green, uint8_t& blue) {
    const uint8_t* p = PixelAt(*this, x, y);
    red = p ? p[2] : 0;
    green = p ? p[1] : 0;
    blue = p ? p[0] : 0;
}

void TLumarix::GetColor(int32_t x, int32_t y, TColor& colour) {
    uint8_t red, green, blue;
    GetRGB(x, y, red, green, blue);
    colour = TColor(red + green * 256 + blue * 65536);
}

void TLumarix::FillBMP(uint8_t red, uint8_t green, uint8_t blue) {
    if (!SelfCheck(*this)) return;
    const uint32_t value = blue + green * 256u + red * 65536u;
    const int32_t pixels = std::min(Width(), RowStride() / 4);
    for (int32_t y = 0; y < Height(); ++y) {
        uint8_t* row = ScanLine(y);
        for (int32_t x = 0; x < pixels; ++x) std::memcpy(row + 4 * size_t(x), &value, 4);
    }
}

uint8_t RoundByte(int32_t value) { return uint8_t(std::clamp(value, 0, 255)); }

}  // namespace lumarix
