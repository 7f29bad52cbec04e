// Windows BMP writer: TBitmap::SaveToFile and SaveToStream.
//
// The picture is written at the bitmap's own format with a BITMAPINFOHEADER, uncompressed and
// bottom-up: 8-bit with its full 256-entry palette, 24-bit, or 32-bit with the fourth byte as
// it is (so a transparency byte survives a round trip). Row padding is written as zeros.
#include "graphics/bmp_codec.h"

#include "graphics/pixel_convert.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>

namespace lumarix {

namespace detail {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

}  // namespace

std::vector<uint8_t> encode_headers(const TBitmap& bitmap, size_t& rowBytes, size_t& stride) {
    const int32_t width = bitmap.Width(), height = bitmap.Height();
    if (width <= 0 || height <= 0)
        throw EInvalidGraphic("cannot save an empty bitmap (" + std::to_string(width) + " x " +
                              std::to_string(height) + ") as BMP");
    const TPixelFormat format = bitmap.PixelFormat();
    const uint32_t bits = uint32_t(TBitmap::BitsPerPixel(format));
    const size_t paletteEntries = format == TPixelFormat::pf8bit ? 256 : 0;
    rowBytes = size_t(width) * bits / 8;
    stride = size_t(RowStrideFor(width, format));
    const size_t dataOffset = kFileHeaderBytes + kInfoHeaderBytes + 4 * paletteEntries;
    const size_t imageBytes = stride * size_t(height);
    const size_t fileBytes = dataOffset + imageBytes;
    if (fileBytes > UINT32_MAX) throw EInvalidGraphic("bitmap is too large for a BMP file");

    std::vector<uint8_t> out(dataOffset, 0);
    uint8_t* p = out.data();
    p[0] = 'B', p[1] = 'M';
    Put32(p + 2, uint32_t(fileBytes));
    Put32(p + 10, uint32_t(dataOffset));

    uint8_t* info = p + kFileHeaderBytes;
    Put32(info, kInfoHeaderBytes);
    Put32(info + 4, uint32_t(width));
    Put32(info + 8, uint32_t(height));
    Put16(info + 12, 1);
    Put16(info + 14, bits);
    Put32(info + 16, 0);  // BI_RGB
    Put32(info + 20, uint32_t(imageBytes));
    Put32(info + 24, kPixelsPerMetre);
    Put32(info + 28, kPixelsPerMetre);
    Put32(info + 32, uint32_t(paletteEntries));
    Put32(info + 36, 0);

    uint8_t* palette = info + kInfoHeaderBytes;
    for (size_t i = 0; i < paletteEntries; ++i) {
        const TPaletteEntry& e = bitmap.Palette()[i];
        palette[4 * i] = e.blue;
        palette[4 * i + 1] = e.green;
        palette[4 * i + 2] = e.red;
    }

    return out;
}

std::vector<uint8_t> encode_bmp(const TBitmap& bitmap) {
    size_t rowBytes = 0, stride = 0;
    std::vector<uint8_t> out = encode_headers(bitmap, rowBytes, stride);
    const size_t dataOffset = out.size();
    const int32_t height = bitmap.Height();
    out.resize(dataOffset + stride * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + dataOffset + size_t(height - 1 - y) * stride, bitmap.ScanLine(y), rowBytes);
    return out;
}

}  // namespace detail

// The rows go to the stream straight from the picture, bottom-up, without a copy of the file.
void TBitmap::SaveToStream(std::ostream& stream) const {
    size_t rowBytes = 0, stride = 0;
    const std::vector<uint8_t> headers = detail::encode_headers(*this, rowBytes, stride);
    stream.write(reinterpret_cast<const char*>(headers.data()), std::streamsize(headers.size()));
    const char padding[4] = {0, 0, 0, 0};
    for (int32_t y = Height() - 1; y >= 0 && stream; --y) {
        stream.write(reinterpret_cast<const char*>(ScanLine(y)), std::streamsize(rowBytes));
        if (stride > rowBytes) stream.write(padding, std::streamsize(stride - rowBytes));
    }
    if (!stream) throw EFileError("cannot write the BMP to the stream");
}

// The picture is encoded before the file is opened, so a bitmap that cannot be saved leaves an
// existing file as it was.
void TBitmap::SaveToFile(const std::string& fileName) const {
    const std::vector<uint8_t> bytes = detail::encode_bmp(*this);
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file) throw EFileError("cannot create \"" + fileName + "\": " + std::strerror(errno));
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) throw EFileError("cannot write \"" + fileName + "\"");
}

}  // namespace lumarix
