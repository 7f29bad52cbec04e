// The API fuzzer's calls: what one call runs, what it may change, and the decoder that reads
// calls from the input, one file per family of the library (blits.cpp, filters.cpp, text.cpp,
// bitmaps.cpp). The oracles beside the SIMD comparison live in oracles.cpp.
#pragma once

#include "api/support.h"

#include <lumarix/Lumarixetcs.h>
#include <lumarix/Lumarixfilters32.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace apifuzz {

using Outputs = std::vector<int64_t>;

struct Call {
    std::string name;
    std::string args;  // filled only when tracing
    std::array<Region, kPoolSize> regions{};
    std::function<void(Pool&, Outputs&)> run;
    // An extra check of the plain run's result against the pool before the call.
    std::function<void(Pool& before, Pool& after)> check;
};

// ==== Regions and names =========================================================================

// The columns (or rows) a rectangle at `pos` of `size` may reach once clipped: a size of 0 or
// less can stand for "to the edge" in the blits' clipping rule.
inline void Span(int64_t pos, int64_t size, int64_t& lo, int64_t& hi) {
    lo = pos;
    hi = size > 0 ? pos + size : INT64_MAX / 8;
}

inline Region BlitRegion(int64_t x, int64_t y, int64_t w, int64_t h, uint8_t channels = 0xF) {
    Region r = Region::Rect(0, 0, 0, 0, channels);
    Span(x, w, r.x0, r.x1);
    Span(y, h, r.y0, r.y1);
    return r;
}

// APIFUZZ_TRACE: print each call's name and some arguments before it runs.
inline bool Tracing() {
    static const bool on = std::getenv("APIFUZZ_TRACE") != nullptr;
    return on;
}

template <class... T>
std::string Format(const char* format, T... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Calls with one bitmap in several roles carry a mark, so that reports and APIFUZZ_SKIP can
// tell them apart.
inline std::string Shared(std::initializer_list<int> slots) {
    for (auto i = slots.begin(); i != slots.end(); ++i)
        for (auto j = i + 1; j != slots.end(); ++j)
            if (*i == *j) return "/shared";
    return {};
}

inline bool Is32(const TBitmap& b) { return b.PixelFormat() == TPixelFormat::pf32bit; }

inline int32_t PixelBytes(const TBitmap& b) { return TBitmap::BitsPerPixel(b.PixelFormat()) / 8; }

// ==== Plain models (oracles.cpp) ================================================================

/// `after` holds the picture of `before` converted to its own format.
void CheckConverted(const char* name, TBitmap& before, TBitmap& after);
void CheckSamePicture(const char* name, TBitmap& a, TBitmap& b);
/// A resize keeps the overlapping part of the picture (and gives 32 bits when `to32`).
void CheckResized(const char* name, TBitmap& before, TBitmap& after, bool to32);
void CheckConvert24Ato32(TBitmap& colour, TBitmap& mask, TBitmap& result);
/// The pool's first pictures: sizes, formats, palettes and pixels from the input.
void FillPool(Input& in, Pool& pool);

// ==== The decoder ===============================================================================

class Decoder {
public:
    Decoder(Input& in, Pool& pool) : m_in(in), m_pool(pool) {}

    Call Next();

private:
    int Slot() { return m_in.Pick(kPoolSize); }
    TLumarix& At(int slot) { return *m_pool[size_t(slot)]; }

    // blits.cpp
    Call Blit();
    Call Zoom();
    Call ZoomClip(int32_t srcWidth, int32_t srcHeight, int32_t dstWidth, int32_t dstHeight, double sx, double sy,
                  double sw, double sh, double dx, double dy, int32_t dw, int32_t dh);
    // filters.cpp
    Call ColourFilter();
    Call GeometricFilter();
    // text.cpp
    TFont Font();
    Call Text();
    Call Canvas();
    Call CanvasText(int b, int32_t x, int32_t y, int unit, TColor colour);
    // bitmaps.cpp
    int32_t Size(bool width);
    Call Bitmap();
    Call Resize(int a);
    Call Helper();
    static void CheckBlitClip(const int32_t (&v)[6], int32_t d, Outputs& out);

    Input& m_in;
    Pool& m_pool;
};

}  // namespace apifuzz
