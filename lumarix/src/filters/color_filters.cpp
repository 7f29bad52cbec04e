// The colour filters: whole-bitmap walks row by row from the top, and two rectangle filters.
//
// Per-pixel work is a table lookup or a few integer operations on the pixel word (blue in bits
// 0 to 7, the fourth byte in bits 24 to 31). Tables are built once per call on the stack.
#include <lumarix/filters32/color_filters.h>
#include <lumarix/filters32/random.h>

#include "filters/color_kernels.h"
#include "filters/filter_common.h"
#include "filters/random_lcg.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lumarix {

using filters::row32;

namespace {

using ByteTable = std::array<uint8_t, 256>;

uint8_t clamp_byte(int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 255)); }

/// Applies `fn(row, width, y)` to every row of a 32-bit bitmap, top to bottom. Other formats
/// and empty bitmaps are left alone.
template <typename Fn>
void for_each_row(TBitmap& bitmap, Fn&& fn) {
    if (!filters::is_32bit(bitmap) || bitmap.Width() <= 0) return;
    const int32_t height = bitmap.Height();
    for (int32_t y = 0; y < height; ++y) fn(row32(bitmap, y), bitmap.Width(), y);
}

/// Every byte of every pixel, the fourth bytes included, through `table`.
void map_bytes(TBitmap& bitmap, const ByteTable& table) {
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        auto* bytes = reinterpret_cast<uint8_t*>(row);
        for (int64_t i = 0, n = int64_t(width) * 4; i < n; ++i) bytes[i] = table[bytes[i]];
    });
}

}  // namespace

// ==== Rectangle filters =========================================================================

void Nega32(int32_t x, int32_t y, int32_t w, int32_t h, TBitmap& bitmap) {
    if (!filters::is_32bit(bitmap)) return;
    const filters::Span s = filters::clip_rect(x, y, w, h, bitmap.Width(), bitmap.Height());
    if (s.empty()) return;
    for (int32_t r = s.y0; r < s.y1; ++r) {
        uint32_t* row = row32(bitmap, r);
        for (int32_t c = s.x0; c < s.x1; ++c) row[c] ^= 0x00FFFFFFu;
    }
}

void xDivide32(TBitmap& bitmap, int32_t x, int32_t y, int32_t w, int32_t h, int32_t levels) {
    if (!filters::is_32bit(bitmap) || levels < 1 || levels > 256) return;
    const filters::Span s = filters::clip_rect(x, y, w, h, bitmap.Width(), bitmap.Height());
    const filters::Posterize p = filters::Posterize::for_step(uint32_t(256 / levels));
    if (s.empty() || p.step == 1) return;
    const auto kernel = filters::best_color_kernels().posterize;
    for (int32_t r = s.y0; r < s.y1; ++r)
        kernel(reinterpret_cast<uint8_t*>(row32(bitmap, r) + s.x0), int64_t(s.x1 - s.x0) * 4, p);
}

// ==== Noise =====================================================================================

void NoiseRGBALL32(TBitmap& bitmap, uint8_t amount) {
    Reseed();
    std::vector<uint32_t> draws(size_t(std::max(bitmap.Width(), 0)));
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        filters::draw_block(amount, draws.data(), size_t(width));
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t p = row[i], n = draws[size_t(i)];
            const uint32_t b = std::min<uint32_t>((p & 255) + n, 255);
            const uint32_t g = std::min<uint32_t>(((p >> 8) & 255) + n, 255);
            const uint32_t r = std::min<uint32_t>(((p >> 16) & 255) + n, 255);
            row[i] = (p & 0xFF000000u) | (r << 16) | (g << 8) | b;
        }
    });
}

void Noise32(TBitmap& bitmap, uint8_t amount) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    Reseed();
    std::vector<uint32_t> draws(size_t(std::max(bitmap.Width(), 0)) * 4);
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        const size_t n = size_t(width) * 4;
        filters::draw_block(amount, draws.data(), n);
        auto* bytes = reinterpret_cast<uint8_t*>(row);
        for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(std::min<uint32_t>(bytes[i] + draws[i], 255));
    });
}

void TVNoise32(TBitmap& bitmap) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        filters::draw_block(255, row, size_t(width));
        for (int32_t i = 0; i < width; ++i) row[i] *= 0x010101u;
    });
}

void TVNoise32Color(TBitmap& bitmap) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) { filters::draw_block(0xFFFFFFFFu, row, size_t(width)); });
}

// ==== Channel and tone filters ==================================================================

void RGBDivide32(TBitmap& bitmap) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    static constexpr uint32_t kKeep[3] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u};
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t y) {
        const uint32_t keep = kKeep[y % 3];
        for (int32_t i = 0; i < width; ++i) row[i] &= keep;
    });
}

void thinRGB32(TBitmap& bitmap, uint8_t amount) {
    const uint32_t a = amount, k = 255u - amount;
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t p = row[i];
            const uint32_t b = p & 255, g = (p >> 8) & 255, r = (p >> 16) & 255;
            const uint32_t grey = ((77 * r + 150 * g + 29 * b) * a) >> 16;
            row[i] = (p & 0xFF000000u) | ((grey + ((r * k) >> 8)) << 16) | ((grey + ((g * k) >> 8)) << 8) |
                     (grey + ((b * k) >> 8));
        }
    });
}

void ColorRevision32(int32_t dr, int32_t dg, int32_t db, TBitmap& bitmap) {
    ByteTable tr, tg, tb;
    for (int v = 0; v < 256; ++v) {
        tr[size_t(v)] = clamp_byte(int64_t(v) + dr);
        tg[size_t(v)] = clamp_byte(int64_t(v) + dg);
        tb[size_t(v)] = clamp_byte(int64_t(v) + db);
    }
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t p = row[i];
            row[i] = (p & 0xFF000000u) | (uint32_t(tr[(p >> 16) & 255]) << 16) | (uint32_t(tg[(p >> 8) & 255]) << 8) |
                     tb[p & 255];
        }
    });
}

void Bright32(TBitmap& bitmap, int16_t delta) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    ByteTable table;
    for (int v = 0; v < 256; ++v) table[size_t(v)] = clamp_byte(v + delta);
    map_bytes(bitmap, table);
}

void MonoYUV(TBitmap& bitmap) {
    const auto kernel = filters::best_color_kernels().mono_yuv;
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) { kernel(row, width); });
}

void MonoAllAdd32(TBitmap& bitmap) {
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t p = row[i];
            const uint32_t mean = ((p & 255) + ((p >> 8) & 255) + ((p >> 16) & 255)) / 3;
            row[i] = (p & 0xFF000000u) | (mean * 0x010101u);
        }
    });
}

void SepiaSuper32(TBitmap& bitmap, uint8_t tintRed, uint8_t tintGreen, uint8_t tintBlue) {
    // One table per channel, pre-shifted into the channel's position of the pixel word.
    std::array<uint32_t, 256> tone{};
    const uint32_t tints[3] = {tintBlue, tintGreen, tintRed};
    for (uint32_t c = 0; c < 3; ++c) {
        const uint32_t t = tints[c];
        for (uint32_t i = 0; i < 256; ++i) {
            const uint32_t v = i < 128 ? (t * i) >> 7 : ((255 - i) * t + 255 * (i - 128)) >> 7;
            tone[i] |= v << (8 * c);
        }
    }
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t p = row[i];
            const uint32_t y = (77 * ((p >> 16) & 255) + 150 * ((p >> 8) & 255) + 29 * (p & 255)) >> 8;
            row[i] = (p & 0xFF000000u) | tone[y];
        }
    });
}

void Mono32(int32_t threshold, TBitmap& bitmap) {
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t p = row[i];
            const int32_t sum = int32_t((p & 255) + ((p >> 8) & 255) + ((p >> 16) & 255));
            row[i] = sum < threshold ? 0u : 0xFFFFFFFFu;
        }
    });
}

void Solarization32(TBitmap& bitmap) {
    for_each_row(bitmap, [&](uint32_t* row, int32_t width, int32_t) {
        auto* bytes = reinterpret_cast<uint8_t*>(row);
        for (int64_t i = 0, n = int64_t(width) * 4; i < n; ++i)
            bytes[i] = std::min<uint8_t>(bytes[i], uint8_t(255 - bytes[i]));
    });
}

}  // namespace lumarix
