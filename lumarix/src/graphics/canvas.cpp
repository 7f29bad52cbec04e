// TCanvas: fills, lines, pixel access and bitmap copies on the bitmap that owns the surface.
// Everything is clipped to the bitmap; text lives with the text back end.
#include <lumarix/Graphics.h>

#include "graphics/pixel_convert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace lumarix {

namespace {

struct PixelWriter {
    TBitmap& bitmap;
    int32_t bytesPerPixel;
    uint8_t bytes[4];

    PixelWriter(TBitmap& target, TColor color) : bitmap(target), bytesPerPixel(detail::BytesPerPixel(target.PixelFormat())) {
        detail::NearestPaletteIndex nearest(target.Palette());
        detail::EncodeColor(uint32_t(ColorToRGB(color)), target.PixelFormat(), nearest, bytes);
    }

    bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height(); }

    void Put(int32_t x, int32_t y) {
        if (!Inside(x, y)) return;
        std::memcpy(bitmap.ScanLine(y) + size_t(x) * size_t(bytesPerPixel), bytes, size_t(bytesPerPixel));
    }

    void Span(int32_t left, int32_t right, int32_t y) {
        left = std::max(left, 0);
        right = std::min(right, bitmap.Width());
        if (left >= right || y < 0 || y >= bitmap.Height()) return;
        uint8_t* p = bitmap.ScanLine(y) + size_t(left) * size_t(bytesPerPixel);
        for (int32_t x = left; x < right; ++x, p += bytesPerPixel) std::memcpy(p, bytes, size_t(bytesPerPixel));
    }
};

uint32_t ReadPixel(const TBitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* row = bitmap.ScanLine(y);
    switch (bitmap.PixelFormat()) {
        case TPixelFormat::pf8bit: {
            const TPaletteEntry& e = bitmap.Palette()[row[x]];
            return e.red | (uint32_t(e.green) << 8) | (uint32_t(e.blue) << 16);
        }
        case TPixelFormat::pf24bit: row += 3 * x; break;
        default: row += 4 * x; break;
    }
    return row[2] | (uint32_t(row[1]) << 8) | (uint32_t(row[0]) << 16);
}

}  // namespace

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.Style == TBrushStyle::bsClear) return;
    PixelWriter writer(*m_bitmap, Brush.Color);
    const int32_t top = std::max(rect.Top, 0);
    const int32_t bottom = std::min(rect.Bottom, m_bitmap->Height());
    for (int32_t y = top; y < bottom; ++y) writer.Span(rect.Left, rect.Right, y);
}

void TCanvas::MoveTo(int32_t x, int32_t y) { m_penPos = {x, y}; }

// Bresenham's line from the pen position, stopping one step before the end point. A pen wider
// than one pixel stamps a square of its width centred on each point.
void TCanvas::LineTo(int32_t x, int32_t y) {
    PixelWriter writer(*m_bitmap, Pen.Color);
    const int32_t penWidth = std::max(Pen.Width, 1);
    const int32_t before = (penWidth - 1) / 2;
    auto plot = [&](int64_t px, int64_t py) {
        if (penWidth == 1) {
            if (px >= INT32_MIN && px <= INT32_MAX && py >= INT32_MIN && py <= INT32_MAX)
                writer.Put(int32_t(px), int32_t(py));
            return;
        }
        for (int64_t j = 0; j < penWidth; ++j) {
            const int64_t row = py - before + j;
            if (row < 0 || row >= m_bitmap->Height()) continue;
            const int64_t left = std::max<int64_t>(px - before, 0);
            const int64_t right = std::min<int64_t>(px - before + penWidth, m_bitmap->Width());
            if (left < right) writer.Span(int32_t(left), int32_t(right), int32_t(row));
        }
    };

    int64_t x0 = m_penPos.x, y0 = m_penPos.y;
    const int64_t x1 = x, y1 = y;
    const int64_t dx = std::llabs(x1 - x0), dy = -std::llabs(y1 - y0);
    const int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    // A line far outside the bitmap is walked only while it can still reach it.
    const int64_t margin = penWidth;
    while (x0 != x1 || y0 != y1) {
        const bool hopeless = (x0 < -margin && sx < 0) || (y0 < -margin && sy < 0) ||
                              (x0 > m_bitmap->Width() + margin && sx > 0) ||
                              (y0 > m_bitmap->Height() + margin && sy > 0);
        if (hopeless) break;
        plot(x0, y0);
        const int64_t e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
    m_penPos = {x, y};
}

TColor TCanvas::Pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= m_bitmap->Width() || y >= m_bitmap->Height()) return -1;
    return TColor(ReadPixel(*m_bitmap, x, y));
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) { PixelWriter(*m_bitmap, color).Put(x, y); }

void TCanvas::Draw(int32_t x, int32_t y, const TBitmap& bitmap) {
    CopyRect(Rect(x, y, x + bitmap.Width(), y + bitmap.Height()), const_cast<TBitmap&>(bitmap).Canvas(),
             Rect(0, 0, bitmap.Width(), bitmap.Height()));
}

// Nearest-neighbour stretch of srcRect onto destRect. Negative extents mirror, as StretchBlt
// does. Source pixels outside the source bitmap are not copied.
void TCanvas::CopyRect(const TRect& destRect, TCanvas& source, const TRect& srcRect) {
    const int64_t destW = int64_t(destRect.Right) - destRect.Left, destH = int64_t(destRect.Bottom) - destRect.Top;
    const int64_t srcW = int64_t(srcRect.Right) - srcRect.Left, srcH = int64_t(srcRect.Bottom) - srcRect.Top;
    if (destW == 0 || destH == 0 || srcW == 0 || srcH == 0) return;

    TBitmap& target = *m_bitmap;
    const TBitmap& from = source.Bitmap();
    // Copying within one bitmap reads from a snapshot so that overlapping areas come out right.
    TBitmap snapshot;
    const TBitmap* src = &from;
    if (&from == &target) {
        snapshot.Assign(from);
        src = &snapshot;
    }

    const int32_t dstBpp = detail::BytesPerPixel(target.PixelFormat());
    const int32_t srcBpp = detail::BytesPerPixel(src->PixelFormat());
    const bool sameFormat = target.PixelFormat() == src->PixelFormat() &&
                            (target.PixelFormat() != TPixelFormat::pf8bit || target.Palette() == src->Palette());
    detail::NearestPaletteIndex nearest(target.Palette());

    const int64_t absW = std::llabs(destW), absH = std::llabs(destH);
    const int64_t left = destW > 0 ? destRect.Left : destRect.Right;
    const int64_t top = destH > 0 ? destRect.Top : destRect.Bottom;
    const bool mirrorX = (destW < 0) != (srcW < 0), mirrorY = (destH < 0) != (srcH < 0);
    const int64_t absSrcW = std::llabs(srcW), absSrcH = std::llabs(srcH);
    const int64_t srcLeft = srcW > 0 ? srcRect.Left : srcRect.Right;
    const int64_t srcTop = srcH > 0 ? srcRect.Top : srcRect.Bottom;

    const int64_t i0 = std::max<int64_t>(0, -left), i1 = std::min<int64_t>(absW, int64_t(target.Width()) - left);
    const int64_t j0 = std::max<int64_t>(0, -top), j1 = std::min<int64_t>(absH, int64_t(target.Height()) - top);
    for (int64_t j = j0; j < j1; ++j) {
        const int64_t sj = mirrorY ? absH - 1 - j : j;
        const int64_t sy = srcTop + sj * absSrcH / absH;
        if (sy < 0 || sy >= src->Height()) continue;
        const uint8_t* srow = src->ScanLine(int32_t(sy));
        uint8_t* drow = target.ScanLine(int32_t(top + j));
        for (int64_t i = i0; i < i1; ++i) {
            const int64_t si = mirrorX ? absW - 1 - i : i;
            const int64_t sx = srcLeft + si * absSrcW / absW;
            if (sx < 0 || sx >= src->Width()) continue;
            uint8_t* d = drow + size_t(left + i) * size_t(dstBpp);
            const uint8_t* s = srow + size_t(sx) * size_t(srcBpp);
            if (sameFormat)
                std::memcpy(d, s, size_t(dstBpp));
            else
                detail::ConvertRow(s, src->PixelFormat(), src->Palette(), d, target.PixelFormat(), nearest, 1);
        }
    }
}

}  // namespace lumarix
