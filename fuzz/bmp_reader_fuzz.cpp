// Fuzzes the BMP reader. Every input either decodes or raises EInvalidGraphic; a decoded
// picture must survive the trip through the writer and the reader unchanged, and convert to
// 32 bits. Sanitizers report any read or write outside a buffer.
#include "graphics/bmp_codec.h"

#include <lumarix/Lumarix.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

// Small enough that a header claiming a huge run-length picture costs little time (a few bytes
// of input can claim the whole limit, and every byte of it is decoded, written, read again and
// widened to 32 bits); the limit check itself is part of what is fuzzed. 64 KB holds pictures of
// every format wide enough to cross each decoder's row and run boundaries many times over.
constexpr int64_t kFuzzPixelBytes = int64_t(1) << 16;

size_t RowBytes(const lumarix::TBitmap& b) {
    return size_t(b.Width()) * size_t(lumarix::TBitmap::BitsPerPixel(b.PixelFormat()) / 8);
}

bool SamePicture(const lumarix::TBitmap& a, const lumarix::TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
    if (a.PixelFormat() == lumarix::TPixelFormat::pf8bit && a.Palette() != b.Palette()) return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), RowBytes(a)) != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumarix;
    detail::BmpImage image;
    try {
        image = detail::decode_bmp(data, size, kFuzzPixelBytes);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (image.bytesUsed > size || image.width <= 0 || image.height <= 0) std::abort();

    TBitmap decoded;
    decoded.AdoptPixels(image.width, image.height, image.format, std::move(image.pixels), &image.palette);

    std::stringstream file;
    decoded.SaveToStream(file);
    TBitmap again;
    again.LoadFromStream(file);
    if (!SamePicture(decoded, again)) std::abort();

    TLumarix wide;
    wide.Assign(decoded);
    if (wide.PixelFormat() != TPixelFormat::pf32bit || wide.Width() != decoded.Width()) std::abort();
    return 0;
}
