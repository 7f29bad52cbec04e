// TCanvas: fills, lines, pixel access and bitmap copies on the bitmap that owns the surface.
// Everything is clipped to the bitmap; text lives with the text back end.
#include <lumarix/Graphics.h>

#include "graphics/pixel_convert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
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

// floor((a * b + c) / d) for a, b, c below 2^40 and d above 0, exact; the quotient must fit in
// 64 bits. The product may exceed 64 bits.
uint64_t MulAddDiv(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
#if defined(__SIZEOF_INT128__)
    return uint64_t((static_cast<unsigned __int128>(a) * b + c) / d);
#else
    const uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32, bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo;
    const uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    uint64_t lo = (ll & 0xFFFFFFFFu) | (mid << 32);
    uint64_t hi = aHi * bHi + (lh >> 32) + (hl >> 32) + (mid >> 32);
    lo += c;
    hi += lo < c ? 1 : 0;
    uint64_t q = 0, r = 0;  // r stays below d, so shifting it left cannot overflow
    for (int bit = 127; bit >= 0; --bit) {
        r = (r << 1) | ((bit >= 64 ? hi >> (bit - 64) : lo >> bit) & 1);
        q <<= 1;
        if (r >= d) r -= d, q |= 1;
    }
    return q;
#endif
}

/// The points of Bresenham's walk from (x0, y0) towards (x1, y1), end point excluded, in closed
/// form. The walk advances the major coordinate (the one with the larger distance) by one per
/// step; after t steps the minor one has moved m(t) = floor((2 * minor * t + major) / (2 * major)),
/// which rounds halves the way the walk's error term does. Distances reach 2^32 - 1.
struct LineWalk {
    bool xMajor;
    int64_t majorStart, minorStart, majorSign, minorSign;
    uint64_t major, minor;  // distances along each axis; the walk takes `major` steps

    LineWalk(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        const uint64_t dx = uint64_t(std::llabs(x1 - x0)), dy = uint64_t(std::llabs(y1 - y0));
        const int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        xMajor = dx >= dy;
        major = xMajor ? dx : dy;
        minor = xMajor ? dy : dx;
        majorStart = xMajor ? x0 : y0;
        minorStart = xMajor ? y0 : x0;
        majorSign = xMajor ? sx : sy;
        minorSign = xMajor ? sy : sx;
    }

    uint64_t MinorAt(uint64_t t) const { return MulAddDiv(2 * minor, t, major, 2 * major); }

    /// The first step whose minor distance reaches k (`major` when none does).
    uint64_t FirstStepReaching(int64_t k) const {
        if (k <= 0) return 0;
        if (uint64_t(k) > minor) return major;
        return std::min(major, MulAddDiv(major, 2 * uint64_t(k) - 1, 2 * minor - 1, 2 * minor));
    }

    /// Steps [first, last] whose y lies in [lo, hi]; false when there are none.
    bool StepsWithYIn(int64_t lo, int64_t hi, uint64_t& first, uint64_t& last) const {
        if (major == 0) return false;
        const int64_t start = xMajor ? minorStart : majorStart, sign = xMajor ? minorSign : majorSign;
        // The distances from the start that land in [lo, hi].
        const int64_t dLo = sign > 0 ? lo - start : start - hi, dHi = sign > 0 ? hi - start : start - lo;
        if (dHi < 0 || dLo > dHi) return false;
        if (!xMajor) {
            first = uint64_t(std::max<int64_t>(dLo, 0));
            last = std::min(uint64_t(dHi), major - 1);
            return first <= last;
        }
        first = FirstStepReaching(dLo);
        const uint64_t end = dHi >= int64_t(minor) ? major : FirstStepReaching(dHi + 1);
        last = end - 1;
        return first < end;
    }

    int64_t XAt(uint64_t t) const {
        return xMajor ? majorStart + majorSign * int64_t(t) : minorStart + minorSign * int64_t(MinorAt(t));
    }
};

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
// than one pixel stamps a square of its width centred on each point. Each row of the bitmap is
// filled once, with the union of what the walk's points stamp on it (one run, since the x of
// consecutive points differs by at most one), so the cost follows the rows the line crosses on
// the bitmap, not its length.
void TCanvas::LineTo(int32_t x, int32_t y) {
    PixelWriter writer(*m_bitmap, Pen.Color);
    const int64_t penWidth = std::max(Pen.Width, 1);
    const int64_t before = (penWidth - 1) / 2;
    const LineWalk walk(m_penPos.x, m_penPos.y, x, y);
    m_penPos = {x, y};

    // Rows reached by the stamps of a point in row py: py - before .. py - before + penWidth - 1.
    const int64_t lineTop = std::min<int64_t>(walk.xMajor ? walk.minorStart : walk.majorStart, y);
    const int64_t lineBottom = std::max<int64_t>(walk.xMajor ? walk.minorStart : walk.majorStart, y);
    const int64_t top = std::max<int64_t>(lineTop - before, 0);
    const int64_t bottom = std::min<int64_t>(lineBottom - before + penWidth - 1, int64_t(m_bitmap->Height()) - 1);
    for (int64_t row = top; row <= bottom; ++row) {
        uint64_t first, last;
        if (!walk.StepsWithYIn(row + before - penWidth + 1, row + before, first, last)) continue;
        const int64_t xa = walk.XAt(first), xb = walk.XAt(last);
        const int64_t left = std::max<int64_t>(std::min(xa, xb) - before, 0);
        const int64_t right = std::min<int64_t>(std::max(xa, xb) - before + penWidth, m_bitmap->Width());
        if (left < right) writer.Span(int32_t(left), int32_t(right), int32_t(row));
    }
}

TColor TCanvas::Pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= m_bitmap->Width() || y >= m_bitmap->Height()) return -1;
    return TColor(ReadPixel(*m_bitmap, x, y));
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) { PixelWriter(*m_bitmap, color).Put(x, y); }

// Only the part that lands on this surface is handed on, clipped in 64 bits: a bitmap placed
// far off (its right edge past INT32_MAX, say) draws nothing.
void TCanvas::Draw(int32_t x, int32_t y, const TBitmap& bitmap) {
    const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + bitmap.Width(), m_bitmap->Width());
    const int64_t bottom = std::min<int64_t>(int64_t(y) + bitmap.Height(), m_bitmap->Height());
    if (left >= right || top >= bottom) return;
    const TRect dest = Rect(int32_t(left), int32_t(top), int32_t(right), int32_t(bottom));
    const TRect src = Rect(int32_t(left - x), int32_t(top - y), int32_t(right - x), int32_t(bottom - y));
    CopyRect(dest, const_cast<TBitmap&>(bitmap).Canvas(), src);
}

// i * num / den, rounded down, for 0 <= i < den and 0 <= num, den <= 2^32 (a rectangle's extent),
// without the overflow of the plain product: num = q * den + r, and i * r < den^2 fits 64 bits
// unsigned.
static int64_t ScaledIndex(int64_t i, int64_t num, int64_t den) {
    const int64_t q = num / den, r = num % den;
    return i * q + int64_t(uint64_t(i) * uint64_t(r) / uint64_t(den));
}

// Nearest-neighbour stretch of srcRect onto destRect. Negative extents mirror, as StretchBlt
// does. Source pixels outside the source bitmap are not copied.
void TCanvas::CopyRect(const TRect& destRect, TCanvas& source, const TRect& srcRect) {
    const int64_t destW = int64_t(destRect.Right) - destRect.Left, destH = int64_t(destRect.Bottom) - destRect.Top;
    const int64_t srcW = int64_t(srcRect.Right) - srcRect.Left, srcH = int64_t(srcRect.Bottom) - srcRect.Top;
    if (destW == 0 || destH == 0 || srcW == 0 || srcH == 0) return;

    TBitmap& target = *m_bitmap;
    const TBitmap& from = source.Bitmap();
    // Copying within one bitmap reads from a snapshot so that overlapping areas come out right
    // (made only then: a bitmap costs allocations even when empty).
    std::optional<TBitmap> snapshot;
    const TBitmap* src = &from;
    if (&from == &target) {
        snapshot.emplace().Assign(from);
        src = &*snapshot;
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
        const int64_t sy = srcTop + ScaledIndex(sj, absSrcH, absH);
        if (sy < 0 || sy >= src->Height()) continue;
        const uint8_t* srow = src->ScanLine(int32_t(sy));
        uint8_t* drow = target.ScanLine(int32_t(top + j));
        for (int64_t i = i0; i < i1; ++i) {
            const int64_t si = mirrorX ? absW - 1 - i : i;
            const int64_t sx = srcLeft + ScaledIndex(si, absSrcW, absW);
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
