// TBitmap: storage, size and format changes, row access and assignment.
#include <lumarix/Graphics.h>

#include "graphics/expand24_kernels.h"
#include "graphics/pixel_convert.h"
#include "graphics/pixel_memory.h"

#include <algorithm>
#include <cstring>

namespace lumarix {

const char* const kScanLineOutOfRange = "スキャンライン のインデックスが範囲を越えました";

namespace {

TPalette GreyRamp() {
    TPalette palette;
    for (int i = 0; i < 256; ++i) palette[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    return palette;
}

}  // namespace

TBitmap::TBitmap() : m_palette(GreyRamp()), m_canvas(std::make_unique<TCanvas>(*this)) {}

TBitmap::~TBitmap() = default;

int32_t TBitmap::BitsPerPixel(TPixelFormat format) { return detail::BytesPerPixel(format) * 8; }

void TBitmap::SetWidth(int32_t width) { Reallocate(width, m_height, m_format, true); }

void TBitmap::SetHeight(int32_t height) { Reallocate(m_width, height, m_format, true); }

void TBitmap::SetSize(int32_t width, int32_t height) { Reallocate(width, height, m_format, true); }

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format != m_format) Reallocate(m_width, m_height, format, true);
}

void TBitmap::SetPalette(const TPalette& palette) { m_palette = palette; }

uint8_t* TBitmap::ScanLine(int32_t y) {
    if (y < 0 || y >= m_height) throw EInvalidGraphicOperation(kScanLineOutOfRange);
    return m_pixels.get() + size_t(y) * size_t(m_stride);
}

const uint8_t* TBitmap::ScanLine(int32_t y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

// Sizes below 0 count as 0. The overlapping part of the old picture is kept (converted when the
// format changes); uncovered pixels are white, the colour a new picture starts with.
void TBitmap::Reallocate(int32_t width, int32_t height, TPixelFormat format, bool keepPicture) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int64_t stride = detail::RowStrideFor(width, format);
    if (stride > kMaxBitmapBytes || (height > 0 && stride * height > kMaxBitmapBytes))
        throw EInvalidGraphicOperation("bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                                       " pixels is too large");

    const size_t bytes = size_t(stride) * size_t(height);
    if (keepPicture && WidenInPlace(width, height, format, bytes)) return;
    auto pixels = detail::AllocatePixels(bytes, false);
    const uint8_t white = format == TPixelFormat::pf8bit
                              ? detail::NearestPaletteIndex(m_palette)(255, 255, 255)
                              : uint8_t(255);
    // A picture without bytes (width 0) has nothing to copy, however many rows it has.
    const int32_t rows = keepPicture && m_pixels && bytes > 0 ? std::min(height, m_height) : 0;
    const int32_t cols = std::min(width, m_width);
    // Only what the kept picture does not cover is painted white first: with the whole picture
    // kept, that is each row's padding.
    if (rows < height || cols < width) std::memset(pixels.get(), white, bytes);
    if (rows > 0) {
        const size_t used = size_t(cols) * size_t(detail::BytesPerPixel(format));
        detail::NearestPaletteIndex nearest(m_palette);
        const detail::Expand24Row expand24 = detail::best_expand24_kernels().row;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* src = m_pixels.get() + size_t(y) * size_t(m_stride);
            uint8_t* dst = pixels.get() + size_t(y) * size_t(stride);
            if (format == m_format)
                std::memcpy(dst, src, used);
            else if (m_format == TPixelFormat::pf24bit && format == TPixelFormat::pf32bit)
                expand24(src, dst, cols);
            else
                detail::ConvertRow(src, m_format, m_palette, dst, format, nearest, cols);
            if (rows == height && cols == width) std::memset(dst + used, white, size_t(stride) - used);
        }
    }
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
    m_stride = int32_t(stride);
    m_format = format;
}

// 24 to 32 bits at the same size, in the buffer the picture already has when it can grow without
// a copy: rows from the bottom up, each from its right end (see Expand24Row), so that every
// pixel is read before anything lands on it. Only the new part of the buffer is fresh memory.
// 32-bit rows have no padding.
bool TBitmap::WidenInPlace(int32_t width, int32_t height, TPixelFormat format, size_t bytes) {
    if (m_format != TPixelFormat::pf24bit || format != TPixelFormat::pf32bit) return false;
    if (width != m_width || height != m_height || height == 0 || !m_pixels) return false;
    if (!detail::GrowPixels(m_pixels, bytes)) return false;
    const detail::Expand24Row expand24 = detail::best_expand24_kernels().row;
    const size_t stride = size_t(width) * 4;
    uint8_t* base = m_pixels.get();
    for (int32_t y = height; y-- > 0;) expand24(base + size_t(y) * size_t(m_stride), base + size_t(y) * stride, width);
    m_stride = int32_t(stride);
    m_format = format;
    return true;
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) return;
    const size_t bytes = size_t(source.m_stride) * size_t(source.m_height);
    auto pixels = detail::AllocatePixels(bytes, bytes == 0);
    if (bytes) std::memcpy(pixels.get(), source.m_pixels.get(), bytes);
    m_pixels = std::move(pixels);
    m_width = source.m_width;
    m_height = source.m_height;
    m_stride = source.m_stride;
    m_format = source.m_format;
    m_palette = source.m_palette;
}

// Everything but the buffer's length is checked before anything changes: the size against the
// 1 GiB limit with the stride in 64 bits, the format, and a buffer for a picture that has pixels.
void TBitmap::AdoptPixels(int32_t width, int32_t height, TPixelFormat format, TPixelBuffer pixels,
                          const TPalette* palette) {
    const bool knownFormat =
        format == TPixelFormat::pf8bit || format == TPixelFormat::pf24bit || format == TPixelFormat::pf32bit;
    if (!knownFormat) throw EInvalidGraphicOperation("unknown pixel format");
    const int64_t stride = width < 0 ? -1 : detail::RowStrideFor(width, format);
    if (stride < 0 || height < 0 || stride > kMaxBitmapBytes || stride * height > kMaxBitmapBytes)
        throw EInvalidGraphicOperation("bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                                       " pixels cannot be adopted");
    if (!pixels && stride * height > 0) throw EInvalidGraphicOperation("no pixels to adopt");
    m_width = width;
    m_height = height;
    m_stride = int32_t(stride);
    m_format = format;
    m_pixels = pixels ? std::move(pixels) : detail::AllocatePixels(1, true);
    if (palette) m_palette = *palette;
}

}  // namespace lumarix
