// Windows BMP decoding and encoding behind TBitmap's load and save operations.
//
// The reader takes the whole file in memory and parses it with bounds-checked reads; every
// inconsistency (truncation, sizes or offsets that point outside the data, an RLE stream that
// runs out before its end marker, an unsupported header) raises EInvalidGraphic.
#pragma once

#include <lumarix/Graphics.h>

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

namespace lumarix::detail {

/// The most bytes the reader takes from one stream: the largest picture plus room for headers,
/// palette and the overhead of run-length data.
inline constexpr size_t kMaxBmpStreamBytes = size_t(kMaxBitmapBytes) + (size_t(16) << 20);

/// A decoded picture in TBitmap's layout: top-down rows padded to 4 bytes.
struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;
    TPixelFormat format = TPixelFormat::pf24bit;
    TPixelBuffer pixels;
    TPalette palette{};  ///< used by pf8bit; entries past the file's colour table are black
    size_t bytesUsed = 0;  ///< how far into the input the picture's data reaches
};

/// Bytes read from a stream, held in picture memory: a large file then reuses the pages of
/// pictures and files released before it instead of faulting in fresh ones.
class StreamBytes {
public:
    const uint8_t* data() const { return m_block.get(); }
    size_t size() const { return m_size; }

    /// Room for `count` more bytes at the end, to be filled and then passed to commit().
    uint8_t* reserve(size_t count);
    void commit(size_t count) { m_size += count; }

private:
    TPixelBuffer m_block;
    size_t m_capacity = 0;
    size_t m_size = 0;
};

/// Reads everything from the stream's current position to its end. Throws EInvalidGraphic when
/// more than `limit` bytes follow or the stream reports a read error.
StreamBytes read_stream_bounded(std::istream& stream, size_t limit = kMaxBmpStreamBytes);

/// Decodes a BMP file held in memory. A picture whose buffer would take more than
/// `maxPixelBytes` at 32 bits per pixel is refused before anything is allocated.
BmpImage decode_bmp(const uint8_t* data, size_t size, int64_t maxPixelBytes = kMaxBitmapBytes);

/// Encodes a bitmap at its own format: 8 bits with its 256-colour palette, 24 or 32 bits;
/// a BITMAPINFOHEADER, uncompressed, bottom-up. Throws EInvalidGraphic for an empty bitmap.
std::vector<uint8_t> encode_bmp(const TBitmap& bitmap);

/// The headers and palette of encode_bmp's file; its rows follow them, bottom-up, each row's
/// `rowBytes` of pixels padded with zeros to `stride`. Throws as encode_bmp does.
std::vector<uint8_t> encode_headers(const TBitmap& bitmap, size_t& rowBytes, size_t& stride);

}  // namespace lumarix::detail
