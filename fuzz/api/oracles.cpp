// The API fuzzer's plain models and the pool's first pictures. Built without coverage
// instrumentation: these loops run over every pixel of every call, and their branches say
// nothing about the library.
#include "api/calls.h"

namespace apifuzz {

// ==== Comparisons ===============================================================================

/// A copy of the picture and of the drawing surface's state (brush, pen, font, pen position),
/// made without TLumarix's forcing of 32 bits.
void CopyBitmap(TLumarix& from, TLumarix& to) {
    // Most calls leave a bitmap's size and format alone: its copy then reuses its buffer (the
    // same length, so the same bounds for the sanitizer) instead of allocating a new one.
    if (to.Width() == from.Width() && to.Height() == from.Height() && to.PixelFormat() == from.PixelFormat() &&
        to.RowStride() == from.RowStride()) {
        const size_t bytes = size_t(from.RowStride()) * size_t(std::max(from.Height(), 0));
        if (bytes > 0) std::memcpy(to.ScanLine(0), from.ScanLine(0), bytes);
        to.SetPalette(from.Palette());
    } else {
        to.TBitmap::Assign(from);
    }
    TCanvas& a = from.Canvas();
    TCanvas& b = to.Canvas();
    b.Brush = a.Brush;
    b.Pen = a.Pen;
    b.Font.Assign(a.Font);
    b.MoveTo(a.PenPos().x, a.PenPos().y);
}

/// The first difference of two bitmaps' size, format, palette, canvas state or picture, or
/// nullptr when there is none; `column` and `row` locate a differing byte.
const char* Difference(TBitmap& a, TBitmap& b, int64_t& column, int64_t& row) {
    column = row = -1;
    if (a.Width() != b.Width() || a.Height() != b.Height()) return "size differs";
    if (a.PixelFormat() != b.PixelFormat()) return "pixel format differs";
    if (a.PixelFormat() == TPixelFormat::pf8bit && a.Palette() != b.Palette()) return "palette differs";
    TCanvas& ca = a.Canvas();
    TCanvas& cb = b.Canvas();
    if (ca.Brush.Color != cb.Brush.Color || ca.Brush.Style != cb.Brush.Style || ca.Pen.Color != cb.Pen.Color ||
        ca.Pen.Width != cb.Pen.Width || !(ca.Font == cb.Font) || ca.PenPos().x != cb.PenPos().x ||
        ca.PenPos().y != cb.PenPos().y)
        return "drawing surface state differs";
    const int64_t bytes = RowBytes(a);
    for (int32_t y = 0; bytes > 0 && y < a.Height(); ++y) {
        const uint8_t* pa = a.ScanLine(y);
        const uint8_t* pb = b.ScanLine(y);
        if (std::memcmp(pa, pb, size_t(bytes)) == 0) continue;
        for (int64_t x = 0; x < bytes; ++x)
            if (pa[x] != pb[x]) {
                column = x, row = y;
                break;
            }
        return "pixels differ";
    }
    return nullptr;
}

/// Fails when `after` differs from `before` anywhere the region does not allow.
void CheckRegion(const char* call, int slot, TBitmap& before, TBitmap& after, const Region& region) {
    if (region.reshape) return;
    if (before.Width() != after.Width() || before.Height() != after.Height() ||
        before.PixelFormat() != after.PixelFormat())
        Fail(call, "changed a bitmap's size or format", slot);
    if (before.PixelFormat() == TPixelFormat::pf8bit && before.Palette() != after.Palette())
        Fail(call, "changed a palette", slot);
    const int64_t bytes = RowBytes(before);
    for (int32_t y = 0; bytes > 0 && y < before.Height(); ++y) {
        const uint8_t* a = before.ScanLine(y);
        const uint8_t* b = after.ScanLine(y);
        if (std::memcmp(a, b, size_t(bytes)) == 0) continue;
        for (int64_t x = 0; x < bytes; ++x)
            if (a[x] != b[x] && !region.Allows(x, y)) Fail(call, "wrote outside the part it may change", slot, x, y);
    }
}

namespace {

struct Bgr {
    uint8_t b, g, r;
    bool operator==(const Bgr&) const = default;
};

Bgr ColourAt(TBitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* row = bitmap.ScanLine(y);
    switch (bitmap.PixelFormat()) {
        case TPixelFormat::pf8bit: {
            const TPaletteEntry& e = bitmap.Palette()[row[x]];
            return {e.blue, e.green, e.red};
        }
        case TPixelFormat::pf24bit: return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
        default: return {row[4 * x], row[4 * x + 1], row[4 * x + 2]};
    }
}

// The palette entry at the least squared distance, the lowest index among equals.
uint8_t NearestEntry(const TPalette& palette, Bgr c) {
    int best = 0, bestDistance = INT32_MAX;
    for (int i = 0; i < 256; ++i) {
        const int db = palette[size_t(i)].blue - c.b, dg = palette[size_t(i)].green - c.g,
                  dr = palette[size_t(i)].red - c.r;
        const int d = db * db + dg * dg + dr * dr;
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return uint8_t(best);
}

// `after` holds the picture of `before` converted to its own format: the same colours at 24 and
// 32 bits (and the fourth byte kept between 32-bit pictures), the nearest entry of its palette
// at 8 bits.

}  // namespace

void CheckConverted(const char* name, TBitmap& before, TBitmap& after) {
    if (after.Width() != before.Width() || after.Height() != before.Height()) Fail(name, "size changed");
    if (after.PixelFormat() == before.PixelFormat() &&
        (after.PixelFormat() != TPixelFormat::pf8bit || after.Palette() == before.Palette())) {
        for (int32_t y = 0; after.Width() > 0 && y < after.Height(); ++y)
            if (std::memcmp(before.ScanLine(y), after.ScanLine(y), size_t(RowBytes(after))) != 0)
                Fail(name, "a conversion to the same format changed the picture", -1, 0, y);
        return;
    }
    const bool keepFourth =
        before.PixelFormat() == TPixelFormat::pf32bit && after.PixelFormat() == TPixelFormat::pf32bit;
    for (int32_t y = 0; after.Width() > 0 && y < after.Height(); ++y)
        for (int32_t x = 0; x < after.Width(); ++x) {
            const Bgr c = ColourAt(before, x, y);
            if (after.PixelFormat() == TPixelFormat::pf8bit) {
                if (after.ScanLine(y)[x] != NearestEntry(after.Palette(), c))
                    Fail(name, "not the nearest palette entry", -1, x, y);
            } else if (!(ColourAt(after, x, y) == c)) {
                Fail(name, "colour changed in conversion", -1, x, y);
            } else if (keepFourth && after.ScanLine(y)[4 * x + 3] != before.ScanLine(y)[4 * x + 3]) {
                Fail(name, "fourth byte changed in conversion", -1, x, y);
            }
        }
}

void CheckSamePicture(const char* name, TBitmap& a, TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        Fail(name, "picture's size or format differs");
    if (a.PixelFormat() == TPixelFormat::pf8bit && a.Palette() != b.Palette()) Fail(name, "palette differs");
    for (int32_t y = 0; RowBytes(a) > 0 && y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(RowBytes(a))) != 0) Fail(name, "picture differs", -1, 0, y);
}

void CheckResized(const char* name, TBitmap& before, TBitmap& after, bool to32) {
    if (to32 && !Is32(after)) Fail(name, "result is not 32-bit");
    if (before.PixelFormat() != after.PixelFormat()) return;
    const int32_t w = std::min(before.Width(), after.Width()), h = std::min(before.Height(), after.Height());
    for (int32_t y = 0; w > 0 && y < h; ++y)
        if (std::memcmp(before.ScanLine(y), after.ScanLine(y), size_t(w) * size_t(PixelBytes(after))) != 0)
            Fail(name, "resizing lost the kept part of the picture", -1, 0, y);
}

void CheckConvert24Ato32(TBitmap& colour, TBitmap& mask, TBitmap& result) {
    if (result.Width() != colour.Width() || result.Height() != colour.Height() || !Is32(result))
        Fail("Convert24Ato32", "result has the wrong size or format");
    if (mask.Width() < colour.Width() || mask.Height() < colour.Height()) return;
    for (int32_t y = 0; result.Width() > 0 && y < result.Height(); ++y)
        for (int32_t x = 0; x < result.Width(); ++x) {
            const uint8_t* p = result.ScanLine(y) + 4 * x;
            if (!(Bgr{p[0], p[1], p[2]} == ColourAt(colour, x, y)) || p[3] != ColourAt(mask, x, y).b)
                Fail("Convert24Ato32", "wrong pixel", -1, x, y);
        }
}

// ==== The pool's first pictures =================================================================

// Bytes biased to 0 and 255, the values where blends and clamps have their edges: a quarter
// each, the other half any value. Four bytes a step of a 64-bit xorshift, without branches:
// the pool's pictures take some tens of thousands of bytes an input.
class PixelNoise {
public:
    explicit PixelNoise(uint32_t seed) : m_state(uint64_t(seed) << 1 | 1) {}

    uint32_t Next4() {
        m_state ^= m_state << 13, m_state ^= m_state >> 7, m_state ^= m_state << 17;
        const uint32_t values = uint32_t(m_state >> 32);
        const uint32_t keep = Spread(uint32_t(m_state) & 0xF);       // these bytes keep their value,
        const uint32_t full = Spread(uint32_t(m_state >> 4) & 0xF);  // of the rest these are 255
        return (values & keep) | (full & ~keep);
    }

    void Fill(uint8_t* bytes, int64_t count) {
        int64_t i = 0;
        for (uint32_t word; i + 4 <= count; i += 4) word = Next4(), std::memcpy(bytes + i, &word, 4);
        if (const uint32_t word = Next4(); i < count) std::memcpy(bytes + i, &word, size_t(count - i));
    }

private:
    // Four bits to four bytes: bit k set makes byte k 0xFF.
    static uint32_t Spread(uint32_t bits) { return ((bits * 0x00204081u) & 0x01010101u) * 0xFFu; }

    uint64_t m_state;
};

void FillPool(Input& in, Pool& pool) {
    PixelNoise noise(in.U32());
    for (auto& b : pool) {
        const int32_t w = in.Byte() % 72, h = in.Byte() % 72;
        const uint8_t kind = in.Byte();
        // The format first, while the bitmap is empty: converting the white picture would only
        // cost time before the noise covers it.
        if (kind % 4 < 2) b->SetPixelFormat(kind % 4 == 0 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
        b->TBitmap::SetSize(w, h);
        if (kind & 4) {
            TPalette palette;
            for (auto& e : palette) {
                const uint32_t bgr = noise.Next4();
                e = {uint8_t(bgr), uint8_t(bgr >> 8), uint8_t(bgr >> 16), 0};
            }
            b->SetPalette(palette);
        }
        const int64_t bytes = RowBytes(*b);
        for (int32_t y = 0; y < b->Height(); ++y) noise.Fill(b->ScanLine(y), bytes);
    }
}

}  // namespace apifuzz
