#include "graphics/pixel_convert.h"

#include <limits>

namespace lumarix::detail {

uint8_t NearestPaletteIndex::operator()(uint8_t blue, uint8_t green, uint8_t red) {
    const uint32_t key = blue | (uint32_t(green) << 8) | (uint32_t(red) << 16);
    if (auto it = m_cache.find(key); it != m_cache.end()) return it->second;
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < 256 && bestDistance != 0; ++i) {
        const TPaletteEntry& e = m_palette[size_t(i)];
        const int db = int(e.blue) - blue, dg = int(e.green) - green, dr = int(e.red) - red;
        const int distance = db * db + dg * dg + dr * dr;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    m_cache.emplace(key, uint8_t(best));
    return uint8_t(best);
}

void ConvertRow(const uint8_t* src, TPixelFormat from, const TPalette& srcPalette, uint8_t* dst, TPixelFormat to,
                NearestPaletteIndex& nearest, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t b, g, r;
        switch (from) {
            case TPixelFormat::pf8bit: {
                const TPaletteEntry& e = srcPalette[src[x]];
                b = e.blue, g = e.green, r = e.red;
                break;
            }
            case TPixelFormat::pf24bit: b = src[3 * x], g = src[3 * x + 1], r = src[3 * x + 2]; break;
            default: b = src[4 * x], g = src[4 * x + 1], r = src[4 * x + 2]; break;
        }
        switch (to) {
            case TPixelFormat::pf8bit: dst[x] = nearest(b, g, r); break;
            case TPixelFormat::pf24bit: dst[3 * x] = b, dst[3 * x + 1] = g, dst[3 * x + 2] = r; break;
            default:
                dst[4 * x] = b, dst[4 * x + 1] = g, dst[4 * x + 2] = r;
                dst[4 * x + 3] = from == TPixelFormat::pf32bit ? src[4 * x + 3] : 0;
                break;
        }
    }
}

void EncodeColor(uint32_t rgb, TPixelFormat format, NearestPaletteIndex& nearest, uint8_t bytes[4]) {
    const uint8_t r = uint8_t(rgb), g = uint8_t(rgb >> 8), b = uint8_t(rgb >> 16);
    if (format == TPixelFormat::pf8bit) {
        bytes[0] = nearest(b, g, r);
        return;
    }
    bytes[0] = b, bytes[1] = g, bytes[2] = r, bytes[3] = 0;
}

}  // namespace lumarix::detail
