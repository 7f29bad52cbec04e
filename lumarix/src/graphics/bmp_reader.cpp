// Windows BMP reader: TBitmap::LoadFromFile and LoadFromStream.
//
// Accepted: the core (12-byte), info (40, and 52/56 with masks), v4 (108) and v5 (124) headers;
// 1, 4 and 8-bit palettized pictures (8-bit also RLE8, 4-bit also RLE4), 16-bit (555 or bit
// fields), 24-bit, and 32-bit (plain or bit fields, with or without an alpha mask); bottom-up and
// top-down rows. Palettized pictures load as pf8bit with their colour table, 16-bit as pf24bit
// (pf32bit when an alpha mask is given), 24-bit as pf24bit, 32-bit as pf32bit. A plain 32-bit
// picture keeps its fourth byte as it is in the file.
//
// Bit-field channels narrower than 8 bits are widened with rounding (v * 255 + max / 2) / max,
// so that full scale stays full scale; wider ones keep their top 8 bits.
//
// Not checked, because writers commonly get them wrong and nothing depends on them: the file
// size field, the planes field and the image size of an uncompressed picture.
#include "graphics/bmp_codec.h"
#include "graphics/pixel_memory.h"

#include "graphics/pixel_convert.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <string>

namespace lumarix {

namespace detail {

namespace {

[[noreturn]] void bad(const std::string& why) { throw EInvalidGraphic("invalid BMP: " + why); }

enum Compression : uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiJpeg = 4,
    kBiPng = 5,
    kBiAlphaBitfields = 6,
};

// Little-endian reads that refuse to leave [data, data + size).
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool has(size_t offset, size_t count) const { return offset <= m_size && count <= m_size - offset; }

    uint16_t u16(size_t offset, const char* what) const {
        need(offset, 2, what);
        return uint16_t(m_data[offset] | (m_data[offset + 1] << 8));
    }

    uint32_t u32(size_t offset, const char* what) const {
        need(offset, 4, what);
        return uint32_t(m_data[offset]) | (uint32_t(m_data[offset + 1]) << 8) | (uint32_t(m_data[offset + 2]) << 16) |
               (uint32_t(m_data[offset + 3]) << 24);
    }

    int32_t i32(size_t offset, const char* what) const { return int32_t(u32(offset, what)); }

    const uint8_t* at(size_t offset) const { return m_data + offset; }
    size_t size() const { return m_size; }

private:
    void need(size_t offset, size_t count, const char* what) const {
        if (!has(offset, count)) bad(std::string(what) + " is truncated");
    }

    const uint8_t* m_data;
    size_t m_size;
};

// One colour channel of a bit-field pixel.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    static Channel from_mask(uint32_t mask, int pixelBits, const char* name) {
        Channel c;
        c.mask = mask;
        if (mask == 0) return c;
        if (pixelBits < 32 && (mask >> pixelBits) != 0)
            bad(std::string(name) + " mask does not fit a " + std::to_string(pixelBits) + "-bit pixel");
        c.shift = std::countr_zero(mask);
        c.bits = std::popcount(mask);
        if ((uint64_t(mask) >> c.shift) != (uint64_t(1) << c.bits) - 1)
            bad(std::string(name) + " mask is not one contiguous run of bits");
        return c;
    }

    uint8_t extract(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return uint8_t(v >> (bits - 8));
        const uint32_t max = (1u << bits) - 1;
        return uint8_t((v * 255 + max / 2) / max);
    }
};

struct Header {
    uint32_t dataOffset = 0;
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // always positive here; topDown tells the row order
    bool topDown = false;
    uint32_t bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t sizeImage = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    uint32_t colours = 0;              // entries of the colour table that are read
    size_t paletteOffset = 0;
    size_t paletteEntryBytes = 4;
};

Header parse_header(const ByteReader& in) {
    Header h;
    if (in.size() < 2 || in.at(0)[0] != 'B' || in.at(0)[1] != 'M') bad("the 'BM' signature is missing");
    h.dataOffset = in.u32(10, "file header");
    h.headerSize = in.u32(14, "file header");
    switch (h.headerSize) {
        case 12: case 40: case 52: case 56: case 108: case 124: break;
        default: bad("unsupported header size " + std::to_string(h.headerSize));
    }
    if (!in.has(14, h.headerSize)) bad("bitmap header is truncated");

    size_t pos = 14 + size_t(h.headerSize);
    if (h.headerSize == 12) {
        h.width = in.u16(18, "core header");
        h.height = in.u16(20, "core header");
        h.bitCount = in.u16(24, "core header");
        h.paletteEntryBytes = 3;
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24)
            bad("unsupported bit count " + std::to_string(h.bitCount) + " in a core header");
    } else {
        h.width = in.i32(18, "info header");
        h.height = in.i32(22, "info header");
        h.bitCount = in.u16(28, "info header");
        h.compression = in.u32(30, "info header");
        h.sizeImage = in.u32(34, "info header");
        h.colours = in.u32(46, "info header");
        if (h.headerSize >= 52)
            for (int i = 0; i < 3; ++i) h.masks[i] = in.u32(54 + 4 * size_t(i), "info header");
        if (h.headerSize >= 56) h.masks[3] = in.u32(66, "info header");
        // A 40-byte header keeps its masks right behind it.
        if (h.headerSize == 40 && (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields)) {
            const int count = h.compression == kBiAlphaBitfields ? 4 : 3;
            for (int i = 0; i < count; ++i) h.masks[i] = in.u32(pos + 4 * size_t(i), "bit field masks");
            pos += 4 * size_t(count);
        }
    }

    if (h.width <= 0) bad("width must be above 0, not " + std::to_string(h.width));
    if (h.height == 0) bad("height must not be 0");
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }

    switch (h.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: bad("unsupported bit count " + std::to_string(h.bitCount));
    }
    switch (h.compression) {
        case kBiRgb: break;
        case kBiRle8:
        case kBiRle4:
            if (h.bitCount != (h.compression == kBiRle8 ? 8u : 4u))
                bad("RLE" + std::string(h.compression == kBiRle8 ? "8" : "4") + " with " +
                    std::to_string(h.bitCount) + " bits per pixel");
            if (h.topDown) bad("run-length data cannot be stored top-down");
            break;
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (h.bitCount != 16 && h.bitCount != 32)
                bad("bit fields with " + std::to_string(h.bitCount) + " bits per pixel");
            break;
        case kBiJpeg:
        case kBiPng: bad("embedded JPEG or PNG pictures are not supported");
        default: bad("unknown compression " + std::to_string(h.compression));
    }

    h.paletteOffset = pos;
    if (h.bitCount <= 8) {
        const uint32_t full = 1u << h.bitCount;
        if (h.colours == 0) h.colours = full;
        if (h.colours > 256) bad("colour table of " + std::to_string(h.colours) + " entries");
        const size_t bytes = size_t(h.colours) * h.paletteEntryBytes;
        if (!in.has(pos, bytes)) bad("colour table runs past the end of the file");
        pos += bytes;
    } else {
        h.colours = 0;
    }
    if (h.dataOffset < pos)
        bad("pixel data offset " + std::to_string(h.dataOffset) + " points into the headers (they end at " +
            std::to_string(pos) + ")");
    if (h.dataOffset > in.size())
        bad("pixel data offset " + std::to_string(h.dataOffset) + " lies past the end of the file (" +
            std::to_string(in.size()) + " bytes)");
    return h;
}

void check_size(const Header& h, int64_t maxPixelBytes) {
    // Checked in steps so that no product overflows: the picture must fit at 32 bits per pixel.
    const int64_t rowBytes = h.width * 4;
    if (rowBytes > maxPixelBytes || h.height > maxPixelBytes / rowBytes)
        bad("a picture of " + std::to_string(h.width) + " x " + std::to_string(h.height) +
            " pixels exceeds the limit of " + std::to_string(maxPixelBytes >> 20) + " MiB");
}

TPixelFormat output_format(const Header& h) {
    if (h.bitCount <= 8) return TPixelFormat::pf8bit;
    if (h.bitCount == 24) return TPixelFormat::pf24bit;
    if (h.bitCount == 16)
        return h.compression == kBiRgb || h.masks[3] == 0 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit;
    return TPixelFormat::pf32bit;
}

TPixelBuffer allocate(const Header& h, TPixelFormat format, bool zeroed, size_t& stride) {
    stride = size_t(RowStrideFor(int32_t(h.width), format));
    return AllocatePixels(stride * size_t(h.height), zeroed);
}

// Uncompressed rows: palette indices (widened to bytes), 24-bit, plain 32-bit or bit fields.
size_t decode_rows(const ByteReader& in, const Header& h, BmpImage& image) {
    const int64_t rowBits = h.width * h.bitCount;
    const int64_t srcStride = ((rowBits + 31) / 32) * 4;
    // The last row's padding is not required.
    const int64_t needed = srcStride * (h.height - 1) + (rowBits + 7) / 8;
    const size_t available = in.size() - h.dataOffset;
    if (uint64_t(needed) > available)
        bad("pixel data is truncated (" + std::to_string(available) + " of " + std::to_string(needed) + " bytes)");

    // Every row is written whole, its padding included, so the buffer need not be cleared first.
    size_t stride = 0;
    image.pixels = allocate(h, image.format, false, stride);

    uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (h.bitCount == 16 && h.compression == kBiRgb) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
    } else if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0) {
        // Bit fields without colour masks: the layout of the uncompressed format.
        if (h.bitCount == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        else masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF;
    }
    const bool bitfields = h.bitCount == 16 || (h.bitCount == 32 && h.compression != kBiRgb);
    Channel red, green, blue, alpha;
    if (bitfields) {
        const int bits = int(h.bitCount);
        red = Channel::from_mask(masks[0], bits, "red");
        green = Channel::from_mask(masks[1], bits, "green");
        blue = Channel::from_mask(masks[2], bits, "blue");
        alpha = Channel::from_mask(masks[3], bits, "alpha");
    }
    const int outBpp = BytesPerPixel(image.format);
    const size_t width = size_t(h.width);

    for (int64_t r = 0; r < h.height; ++r) {
        const uint8_t* src = in.at(h.dataOffset + size_t(r * srcStride));
        uint8_t* dst = image.pixels.get() + size_t(h.topDown ? r : h.height - 1 - r) * stride;
        std::memset(dst + width * size_t(outBpp), 0, stride - width * size_t(outBpp));
        switch (h.bitCount) {
            case 1:
                for (size_t x = 0; x < width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case 4:
                for (size_t x = 0; x < width; ++x) dst[x] = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
                break;
            case 8: std::memcpy(dst, src, width); break;
            case 24: std::memcpy(dst, src, width * 3); break;
            default:
                if (!bitfields) {
                    std::memcpy(dst, src, width * 4);
                    break;
                }
                for (size_t x = 0; x < width; ++x, dst += outBpp) {
                    const uint32_t px = h.bitCount == 16
                                            ? uint32_t(src[2 * x] | (src[2 * x + 1] << 8))
                                            : uint32_t(src[4 * x]) | (uint32_t(src[4 * x + 1]) << 8) |
                                                  (uint32_t(src[4 * x + 2]) << 16) | (uint32_t(src[4 * x + 3]) << 24);
                    dst[0] = blue.extract(px);
                    dst[1] = green.extract(px);
                    dst[2] = red.extract(px);
                    if (outBpp == 4) dst[3] = alpha.extract(px);
                }
                break;
        }
    }
    return h.dataOffset + size_t(std::min<uint64_t>(uint64_t(srcStride * h.height), available));
}

// RLE8 and RLE4. Rows run bottom-up; pixels that a delta or end-of-line skips keep index 0, and
// runs that pass the right edge are cut there. Decoding stops at the end-of-bitmap mark or once
// every row has been passed; data that ends before either is an error.
size_t decode_rle(const ByteReader& in, const Header& h, BmpImage& image) {
    size_t available = in.size() - h.dataOffset;
    if (h.sizeImage != 0) {
        if (h.sizeImage > available)
            bad("run-length data of " + std::to_string(h.sizeImage) + " bytes runs past the end of the file");
        available = h.sizeImage;
    }
    const uint8_t* data = in.at(h.dataOffset);
    const bool rle4 = h.compression == kBiRle4;

    size_t stride = 0;
    image.pixels = allocate(h, image.format, true, stride);
    uint8_t* pixels = image.pixels.get();
    const int64_t width = h.width, height = h.height;
    int64_t x = 0, y = 0;
    auto put = [&](int64_t px, uint8_t index) {
        if (px < width) pixels[size_t(height - 1 - y) * stride + size_t(px)] = index;
    };

    size_t p = 0;
    while (y < height) {
        if (available - p < 2) bad("run-length data ends before its end-of-bitmap mark");
        const uint8_t count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count && x + i < width; ++i)
                put(x + i, rle4 ? uint8_t((i & 1) ? value & 15 : value >> 4) : value);
            x += count;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (available - p < 2) bad("a delta escape is truncated");
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {
            const size_t bytes = rle4 ? (size_t(value) + 1) / 2 : value;
            if (available - p < bytes)
                bad("an absolute run of " + std::to_string(value) + " pixels runs past the end of the data");
            for (int i = 0; i < value && x + i < width; ++i) {
                const uint8_t b = data[p + size_t(rle4 ? i / 2 : i)];
                put(x + i, rle4 ? uint8_t((i & 1) ? b & 15 : b >> 4) : b);
            }
            x += value;
            // Absolute runs are padded to a whole number of 16-bit words.
            p += std::min(bytes + (bytes & 1), available - p);
        }
    }
    return h.dataOffset + p;
}

}  // namespace

uint8_t* StreamBytes::reserve(size_t count) {
    if (count > m_capacity - m_size) {
        const size_t capacity = std::max(m_size + count, std::min(2 * m_capacity, kMaxBmpStreamBytes));
        if (!GrowPixels(m_block, capacity)) {
            TPixelBuffer block = AllocatePixels(capacity, false);
            if (m_size) std::memcpy(block.get(), m_block.get(), m_size);
            m_block = std::move(block);
        }
        m_capacity = capacity;
    }
    return m_block.get() + m_size;
}

StreamBytes read_stream_bounded(std::istream& stream, size_t limit) {
    const auto tooLarge = [limit] {
        throw EInvalidGraphic("invalid BMP: the data is larger than the limit of " + std::to_string(limit >> 20) +
                              " MiB");
    };
    StreamBytes bytes;
    const std::streampos start = stream.tellg();
    if (start != std::streampos(-1)) {
        stream.seekg(0, std::ios::end);
        const std::streampos end = stream.tellg();
        stream.clear();
        stream.seekg(start);
        if (end != std::streampos(-1) && end >= start) {
            const auto remaining = uint64_t(std::streamoff(end - start));
            if (remaining > limit) tooLarge();
            // The known length in one read.
            stream.read(reinterpret_cast<char*>(bytes.reserve(size_t(remaining))), std::streamsize(remaining));
            bytes.commit(size_t(stream.gcount()));
        }
    }
    // The rest (all of an unseekable stream) in chunks, appended as they come.
    char chunk[1 << 16];
    while (stream) {
        stream.read(chunk, sizeof chunk);
        const auto got = size_t(stream.gcount());
        if (got > limit - bytes.size()) tooLarge();
        if (got == 0) break;
        std::memcpy(bytes.reserve(got), chunk, got);
        bytes.commit(got);
    }
    if (stream.bad()) throw EInvalidGraphic("invalid BMP: the stream reported a read error");
    return bytes;
}

BmpImage decode_bmp(const uint8_t* data, size_t size, int64_t maxPixelBytes) {
    const ByteReader in(data, size);
    const Header h = parse_header(in);
    check_size(h, maxPixelBytes);

    BmpImage image;
    image.width = int32_t(h.width);
    image.height = int32_t(h.height);
    image.format = output_format(h);
    for (uint32_t i = 0; i < h.colours && i < 256; ++i) {
        const uint8_t* e = in.at(h.paletteOffset + i * h.paletteEntryBytes);
        image.palette[i] = {e[0], e[1], e[2], 0};
    }
    image.bytesUsed = h.compression == kBiRle8 || h.compression == kBiRle4 ? decode_rle(in, h, image)
                                                                           : decode_rows(in, h, image);
    return image;
}

}  // namespace detail

namespace {

void adopt(TBitmap& bitmap, detail::BmpImage& image) {
    bitmap.AdoptPixels(image.width, image.height, image.format, std::move(image.pixels),
                       image.format == TPixelFormat::pf8bit ? &image.palette : nullptr);
}

}  // namespace

void TBitmap::LoadFromFile(const std::string& fileName) {
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec)) throw EFileError("cannot open \"" + fileName + "\": it is a folder");
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw EFileError("cannot open \"" + fileName + "\": " + std::strerror(errno));
    try {
        const detail::StreamBytes bytes = detail::read_stream_bounded(file);
        detail::BmpImage image = detail::decode_bmp(bytes.data(), bytes.size());
        adopt(*this, image);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic(fileName + ": " + e.what());
    }
}

// The stream is read to its end; when it can seek, it is left just past the picture's data so
// that whatever follows the picture can be read next.
void TBitmap::LoadFromStream(std::istream& stream) {
    const std::streampos start = stream.tellg();
    const detail::StreamBytes bytes = detail::read_stream_bounded(stream);
    detail::BmpImage image = detail::decode_bmp(bytes.data(), bytes.size());
    adopt(*this, image);
    if (start != std::streampos(-1)) {
        stream.clear();
        stream.seekg(start + std::streamoff(image.bytesUsed));
    }
}

}  // namespace lumarix
