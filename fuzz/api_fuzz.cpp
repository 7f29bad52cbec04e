// Fuzzes the library's whole public surface. The input becomes three bitmaps (0 to 71 pixels
// each way, 8, 24 or 32 bits, random pixels) and a sequence of calls whose arguments lean to the
// edges; any bitmap may stand in several roles of one call. Each call runs twice: first with
// the SIMD kernels capped at plain code, on copies, then at the processor's level (or one below)
// on the pool itself. Oracles, besides the sanitizers and libFuzzer's time and memory limits:
//   - the two runs leave identical bitmaps, raise the same error and give the same results;
//   - a call changes no byte outside the part of each bitmap it may write;
//   - where a call has a simple meaning (format conversion, copy, file round trip, clipping),
//     its result agrees with a plain model.
#include "api_fuzz_support.h"

#include "filters/counter.h"
#include "simd/cpu.h"

#include <lumarix/Lumarixetcs.h>
#include <lumarix/Lumarixfilters32.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <vector>

// ==== A repeatable seed =========================================================================

// The noise filters and the jitter effects reseed from the performance counter. The fuzzer's
// own counter makes both runs of a call draw the same numbers; these definitions take the
// place of the platform's file of the static library.
namespace {
uint64_t g_counter = 0;
}

namespace lumarix::filters {
bool read_performance_counter(uint64_t& value) {
    value = g_counter;
    return (g_counter & 0xF) != 0;  // sometimes unreadable, so the tick count is used
}
uint32_t tick_count_ms() { return uint32_t(g_counter >> 4); }
}  // namespace lumarix::filters

namespace {

using namespace apifuzz;
using namespace lumarix;

using Outputs = std::vector<int64_t>;

struct Call {
    std::string name;
    std::string args;  // filled only when tracing
    std::array<Region, kPoolSize> regions{};
    std::function<void(Pool&, Outputs&)> run;
    // An extra check of the plain run's result against the pool before the call.
    std::function<void(Pool& before, Pool& after)> check;
};

struct Outcome {
    bool threw = false;
    std::string error;
    Outputs outputs;
    uint32_t randomState = 0;
};

Outcome RunOnce(Pool& pool, const Call& call, uint32_t randomState) {
    Outcome o;
    SetRandomState(randomState);
    try {
        call.run(pool, o.outputs);
    } catch (const EGraphicsError& e) {
        o.threw = true;
        o.error = e.what();
    }
    o.randomState = RandomState();
    return o;
}

Pool MakePool() {
    Pool p;
    for (auto& b : p) b = std::make_unique<TLumarix>();
    return p;
}

void CopyPool(Pool& from, Pool& to) {
    for (int i = 0; i < kPoolSize; ++i) CopyBitmap(*from[i], *to[i]);
}

void Execute(Pool& pool, Pool& scratch, const Call& call, simd::Level level, uint32_t randomState) {
    const char* name = call.name.c_str();
    CopyPool(pool, scratch);
    simd::set_level_cap(simd::Level::plain);
    const Outcome plain = RunOnce(scratch, call, randomState);
    for (int i = 0; i < kPoolSize; ++i) CheckRegion(name, i, *pool[i], *scratch[i], call.regions[i]);
    if (call.check && !plain.threw) call.check(pool, scratch);

    simd::set_level_cap(level);
    const Outcome fast = RunOnce(pool, call, randomState);
    if (plain.threw != fast.threw || plain.error != fast.error) Fail(name, "error differs between SIMD levels");
    if (plain.outputs != fast.outputs) Fail(name, "results differ between SIMD levels");
    if (plain.randomState != fast.randomState) Fail(name, "random state differs between SIMD levels");
    for (int i = 0; i < kPoolSize; ++i) {
        int64_t x, y;
        if (const char* what = Difference(*scratch[i], *pool[i], x, y)) Fail(name, what, i, x, y);
    }
}

// ==== Plain models ==============================================================================

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

// ==== Decoding calls ============================================================================

// The columns (or rows) a rectangle at `pos` of `size` may reach once clipped: a size of 0 or
// less can stand for "to the edge" in the blits' clipping rule.
void Span(int64_t pos, int64_t size, int64_t& lo, int64_t& hi) {
    lo = pos;
    hi = size > 0 ? pos + size : INT64_MAX / 8;
}

Region BlitRegion(int64_t x, int64_t y, int64_t w, int64_t h, uint8_t channels = 0xF) {
    Region r = Region::Rect(0, 0, 0, 0, channels);
    Span(x, w, r.x0, r.x1);
    Span(y, h, r.y0, r.y1);
    return r;
}

// APIFUZZ_TRACE: print each call's name and some arguments before it runs.
bool Tracing() {
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
std::string Shared(std::initializer_list<int> slots) {
    for (auto i = slots.begin(); i != slots.end(); ++i)
        for (auto j = i + 1; j != slots.end(); ++j)
            if (*i == *j) return "/shared";
    return {};
}

bool Is32(const TBitmap& b) { return b.PixelFormat() == TPixelFormat::pf32bit; }

int32_t PixelBytes(const TBitmap& b) { return TBitmap::BitsPerPixel(b.PixelFormat()) / 8; }

class Decoder {
public:
    Decoder(Input& in, Pool& pool) : m_in(in), m_pool(pool) {}

    Call Next() {
        switch (m_in.Pick(10)) {
            case 0:
            case 1:
            case 2: return Blit();
            case 3: return Zoom();
            case 4: return ColourFilter();
            case 5: return GeometricFilter();
            case 6: return Text();
            case 7: return Canvas();
            case 8: return Bitmap();
            default: return Helper();
        }
    }

private:
    int Slot() { return m_in.Pick(kPoolSize); }
    TLumarix& At(int slot) { return *m_pool[size_t(slot)]; }

    // ---- Blits ---------------------------------------------------------------------------------
    Call Blit() {
        const int s = Slot(), d = Slot(), m = Slot();
        TLumarix& dest = At(d);
        TLumarix& src = At(s);
        const int32_t dx = m_in.Coord(dest.Width()), dy = m_in.Coord(dest.Height());
        const int32_t w = m_in.Coord(dest.Width()), h = m_in.Coord(dest.Height());
        const int32_t sx = m_in.Coord(src.Width()), sy = m_in.Coord(src.Height());
        const TColor key = m_in.Color();
        const uint16_t a16 = m_in.Alpha16();
        const uint16_t a16b = m_in.Alpha16();
        Call c;
        using L = TLumarix;
        using Plain = void (L::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, TBitmap&);
        using Alpha = void (L::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, TBitmap&, uint16_t);
        using Trans = void (L::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, TBitmap&, TBitmap&,
                                  uint16_t, uint16_t);
        struct PlainBlit { const char* name; Plain fn; uint8_t channels; };
        struct AlphaBlit { const char* name; Alpha fn; uint8_t channels; };
        struct TransBlit { const char* name; Trans fn; uint8_t channels; };
        static const PlainBlit kPlain[] = {
            {"ColorAlphaPic", &L::ColorAlphaPic, 7},
            {"ColorAlphaPicMMX", &L::ColorAlphaPicMMX, 0xF},
            {"ColorAlphaPicCh", &L::ColorAlphaPicCh, 7},
            {"ColorAlphaPicChMMX", &L::ColorAlphaPicChMMX, 0xF},
        };
        static const AlphaBlit kAlpha[] = {
            {"ColorAlpha", &L::ColorAlpha, 0xF},
            {"ColorAlphaMMX", &L::ColorAlphaMMX, 0xF},
            {"ColorAlphaMMX64", &L::ColorAlphaMMX64, 0xF},
            {"ColorAlphaSSE2_64", &L::ColorAlphaSSE2_64, 0xF},
            {"ColorAlphaPicAlpha", &L::ColorAlphaPicAlpha, 7},
            {"ColorAlphaPicAlphaMMX", &L::ColorAlphaPicAlphaMMX, 0xF},
            {"ColorAlphaPicAlphaCh", &L::ColorAlphaPicAlphaCh, 7},
            {"ColorAlphaPicAlphaChMMX", &L::ColorAlphaPicAlphaChMMX, 0xF},
            {"CopyAlpha32", &L::CopyAlpha32, 0xF},
            {"ColorAdd", &L::ColorAdd, 0xF},
            {"ColorAddMMX", &L::ColorAddMMX, 0xF},
            {"ColorSub", &L::ColorSub, 0xF},
            {"ColorSubMMX", &L::ColorSubMMX, 0xF},
        };
        static const TransBlit kTrans[] = {
            {"ColorAlphaPicTrans", &L::ColorAlphaPicTrans, 7},
            {"ColorAlphaPicTransMMX", &L::ColorAlphaPicTransMMX, 0xF},
            {"ColorAlphaPicAlphaTrans", &L::ColorAlphaPicAlphaTrans, 7},
            {"ColorAlphaPicAlphaTransMMX", &L::ColorAlphaPicAlphaTransMMX, 0xF},
        };
        const int kind = m_in.Pick(7);
        uint8_t channels = 0xF;
        if (kind == 0) {
            const PlainBlit& b = kPlain[m_in.Pick(std::size(kPlain))];
            c.name = b.name, channels = b.channels;
            c.run = [=, fn = b.fn](Pool& p, Outputs&) { ((*p[s]).*fn)(dx, dy, w, h, sx, sy, *p[d]); };
        } else if (kind <= 3) {
            const AlphaBlit& b = kAlpha[m_in.Pick(std::size(kAlpha))];
            c.name = b.name, channels = b.channels;
            c.run = [=, fn = b.fn](Pool& p, Outputs&) { ((*p[s]).*fn)(dx, dy, w, h, sx, sy, *p[d], a16); };
        } else if (kind == 4) {
            const TransBlit& b = kTrans[m_in.Pick(std::size(kTrans))];
            c.name = b.name, channels = b.channels;
            c.run = [=, fn = b.fn](Pool& p, Outputs&) { ((*p[s]).*fn)(dx, dy, w, h, sx, sy, *p[m], *p[d], a16, a16b); };
        } else if (kind == 5) {
            switch (m_in.Pick(3)) {
                case 0:
                    c.name = "ColorKey";
                    c.run = [=](Pool& p, Outputs&) { p[s]->ColorKey(dx, dy, w, h, sx, sy, *p[d], key); };
                    break;
                case 1:
                    c.name = "ColorKeyAlpha", channels = 7;
                    c.run = [=](Pool& p, Outputs&) { p[s]->ColorKeyAlpha(dx, dy, w, h, sx, sy, *p[d], key, uint8_t(a16)); };
                    break;
                default:
                    c.name = "ColorKeyAlphaMMX";
                    c.run = [=](Pool& p, Outputs&) { p[s]->ColorKeyAlphaMMX(dx, dy, w, h, sx, sy, *p[d], key, a16); };
                    break;
            }
        } else {
            // The rectangle fills work on the bitmap they are called on.
            const bool mmx = m_in.Flag();
            c.name = mmx ? "RectAngleAlphaMMX" : "RectAngleAlpha";
            c.regions[size_t(s)] = BlitRegion(dx, dy, w, h, mmx ? 0xF : 7);
            c.run = [=](Pool& p, Outputs&) {
                if (mmx) p[s]->RectAngleAlphaMMX(dx, dy, w, h, key, uint8_t(a16));
                else p[s]->RectAngleAlpha(dx, dy, w, h, key, uint8_t(a16));
            };
            return c;
        }
        c.regions[size_t(d)] = BlitRegion(dx, dy, w, h, channels);
        c.name += Shared(kind == 4 ? std::initializer_list<int>{s, m, d} : std::initializer_list<int>{s, d});
        if (Tracing())
            c.args = Format("src %d dest %d map %d: dest %d,%d size %d x %d src %d,%d key %d alpha %u, %u", s, d, m, dx,
                            dy, w, h, sx, sy, key, a16, a16b);
        return c;
    }

    // ---- Zooms ---------------------------------------------------------------------------------
    Call Zoom() {
        const int s = Slot(), d = Slot();
        TLumarix& src = At(s);
        TLumarix& dst = At(d);
        const double sx = m_in.ZoomDouble(src.Width()), sy = m_in.ZoomDouble(src.Height());
        const double sw = m_in.ZoomDouble(src.Width()), sh = m_in.ZoomDouble(src.Height());
        const double dx = m_in.ZoomDouble(dst.Width()), dy = m_in.ZoomDouble(dst.Height());
        const int32_t dw = m_in.Coord(dst.Width()), dh = m_in.Coord(dst.Height());
        const uint32_t alpha = m_in.Alpha32();
        using Z = void (*)(double, double, double, double, double, double, int32_t, int32_t, TBitmap&, TBitmap&);
        using ZA = void (*)(double, double, double, double, double, double, int32_t, int32_t, TBitmap&, TBitmap&,
                            uint32_t);
        struct Plain { const char* name; Z fn; };
        struct WithAlpha { const char* name; ZA fn; };
        static const Plain kPlain[] = {
            {"Stretch_ZoomIn_Saikin32", &Stretch_ZoomIn_Saikin32},
            {"Stretch_ZoomIn_Saikin32_masked", &Stretch_ZoomIn_Saikin32_masked},
            {"Stretch_ZoomIn_BiLinear32", &Stretch_ZoomIn_BiLinear32},
            {"Stretch_ZoomIn_BiLinearMMX32", &Stretch_ZoomIn_BiLinearMMX32},
            {"Stretch_ZoomIn_BiLinearMMX32_masked", &Stretch_ZoomIn_BiLinearMMX32_masked},
        };
        static const WithAlpha kAlpha[] = {
            {"Stretch_ZoomIn_Saikin32_masked_Alpha", &Stretch_ZoomIn_Saikin32_masked_Alpha},
            {"Stretch_ZoomIn_BiLinearMMX32_masked_Alpha", &Stretch_ZoomIn_BiLinearMMX32_masked_Alpha},
            {"Stretch_ZoomIn_BiLinearMMX32_alpha", &Stretch_ZoomIn_BiLinearMMX32_alpha},
        };
        Call c;
        const int kind = m_in.Pick(10);
        if (kind < 5) {
            const Plain& z = kPlain[kind];
            c.name = z.name;
            c.run = [=, fn = z.fn](Pool& p, Outputs&) { fn(sx, sy, sw, sh, dx, dy, dw, dh, *p[s], *p[d]); };
        } else if (kind < 8) {
            const WithAlpha& z = kAlpha[kind - 5];
            c.name = z.name;
            c.run = [=, fn = z.fn](Pool& p, Outputs&) { fn(sx, sy, sw, sh, dx, dy, dw, dh, *p[s], *p[d], alpha); };
        } else if (kind == 8) {
            c.name = "Stretch_ZoomIn_Saikin32_Alpha";
            c.run = [=](Pool& p, Outputs&) {
                Stretch_ZoomIn_Saikin32_Alpha(sx, sy, sw, sh, dx, dy, dw, dh, *p[s], *p[d], uint16_t(alpha));
            };
        } else {
            return ZoomClip(src.Width(), src.Height(), dst.Width(), dst.Height(), sx, sy, sw, sh, dx, dy, dw, dh);
        }
        c.name += Shared({s, d});
        if (Tracing())
            c.args = Format("src %d dst %d: %g,%g %g x %g -> %g,%g %d x %d alpha %u", s, d, sx, sy, sw, sh, dx, dy, dw,
                            dh, alpha);
        // What a zoom may write: the destination rectangle as requested, widened to whole pixels.
        if (std::isfinite(dx) && std::isfinite(dy) && std::fabs(dx) < 1e12 && std::fabs(dy) < 1e12)
            c.regions[size_t(d)] = Region::Rect(int64_t(std::floor(dx)), int64_t(std::floor(dy)),
                                                int64_t(std::floor(dx)) + std::max(dw, 0) + 1,
                                                int64_t(std::floor(dy)) + std::max(dh, 0) + 1);
        return c;
    }

    // SetOutXYWHSuper: what it accepts lies on both bitmaps, at the scale of the request.
    Call ZoomClip(int32_t srcWidth, int32_t srcHeight, int32_t dstWidth, int32_t dstHeight, double sx, double sy,
                  double sw, double sh, double dx, double dy, int32_t dw, int32_t dh) {
        Call c;
        c.name = "SetOutXYWHSuper";
        c.run = [=](Pool&, Outputs& out) {
            double x = sx, y = sy, w = sw, h = sh, tx = dx, ty = dy;
            int32_t tw = dw, th = dh;
            const bool ok = SetOutXYWHSuper(x, y, w, h, tx, ty, tw, th, srcWidth, srcHeight, dstWidth, dstHeight);
            out.push_back(ok);
            if (!ok) return;
            out.insert(out.end(), {int64_t(tw), int64_t(th)});
            const bool inside = tx >= 0 && ty >= 0 && tw > 0 && th > 0 && tx + tw <= dstWidth + 1e-9 &&
                                ty + th <= dstHeight + 1e-9 && x >= 0 && y >= 0 && x <= srcWidth &&
                                y <= srcHeight && x + w <= srcWidth + 1e-6 * (1 + srcWidth) &&
                                y + h <= srcHeight + 1e-6 * (1 + srcHeight);
            if (!inside) Fail("SetOutXYWHSuper", "accepted a rectangle that leaves a bitmap");
        };
        return c;
    }

    // ---- Colour filters ------------------------------------------------------------------------
    Call ColourFilter() {
        const int b = Slot();
        TLumarix& bitmap = At(b);
        const int32_t x = m_in.Coord(bitmap.Width()), y = m_in.Coord(bitmap.Height());
        const int32_t w = m_in.Coord(bitmap.Width()), h = m_in.Coord(bitmap.Height());
        const uint8_t amount = m_in.Alpha8();
        const int32_t i1 = m_in.Coord(256), i2 = m_in.Coord(256), i3 = m_in.Coord(256);
        const uint8_t t1 = m_in.Byte(), t2 = m_in.Byte(), t3 = m_in.Byte();
        const int16_t delta = int16_t(m_in.Coord(300));
        const int32_t threshold = m_in.Coord(766);
        const bool is32 = Is32(bitmap);
        // Filters that keep a non-32-bit bitmap unchanged, with the bytes they may write.
        auto inPlace = [&](const char* name, uint8_t channels, std::function<void(TBitmap&)> fn) {
            Call c;
            c.name = name;
            c.regions[size_t(b)] = is32 ? Region::Whole(channels) : Region::None();
            c.run = [=](Pool& p, Outputs&) { fn(*p[b]); };
            return c;
        };
        // Filters that set 32 bits first.
        auto to32 = [&](const char* name, std::function<void(TBitmap&)> fn) {
            Call c;
            c.name = name;
            c.regions[size_t(b)] = Region::Any();
            c.run = [=](Pool& p, Outputs&) { fn(*p[b]); };
            return c;
        };
        switch (m_in.Pick(15)) {
            case 0: {
                Call c = inPlace("Nega32", 7, [=](TBitmap& t) { Nega32(x, y, w, h, t); });
                if (is32) c.regions[size_t(b)] = w > 0 && h > 0 ? BlitRegion(x, y, w, h, 7) : Region::None();
                return c;
            }
            case 1: return inPlace("NoiseRGBALL32", 7, [=](TBitmap& t) { NoiseRGBALL32(t, amount); });
            case 2: return to32("Noise32", [=](TBitmap& t) { Noise32(t, amount); });
            case 3: return to32("RGBDivide32", [](TBitmap& t) { RGBDivide32(t); });
            case 4: return inPlace("thinRGB32", 7, [=](TBitmap& t) { thinRGB32(t, amount); });
            case 5: return inPlace("ColorRevision32", 7, [=](TBitmap& t) { ColorRevision32(i1, i2, i3, t); });
            case 6: return to32("Bright32", [=](TBitmap& t) { Bright32(t, delta); });
            case 7: return inPlace("MonoYUV", 7, [](TBitmap& t) { MonoYUV(t); });
            case 8: return inPlace("MonoAllAdd32", 7, [](TBitmap& t) { MonoAllAdd32(t); });
            case 9: return inPlace("SepiaSuper32", 7, [=](TBitmap& t) { SepiaSuper32(t, t1, t2, t3); });
            case 10: return inPlace("Mono32", 0xF, [=](TBitmap& t) { Mono32(threshold, t); });
            case 11: return inPlace("Solarization32", 0xF, [](TBitmap& t) { Solarization32(t); });
            case 12: return to32("TVNoise32", [](TBitmap& t) { TVNoise32(t); });
            case 13: return to32("TVNoise32Color", [](TBitmap& t) { TVNoise32Color(t); });
            default: {
                Call c = inPlace("xDivide32", 0xF, [=](TBitmap& t) { xDivide32(t, x, y, w, h, i1); });
                if (is32) c.regions[size_t(b)] = w > 0 && h > 0 ? BlitRegion(x, y, w, h) : Region::None();
                return c;
            }
        }
    }

    // ---- Geometric filters ---------------------------------------------------------------------
    Call GeometricFilter() {
        const int s = Slot(), d = Slot();
        TLumarix& dst = At(d);
        const int32_t x = m_in.Coord(dst.Width()), y = m_in.Coord(dst.Height());
        const int32_t w = m_in.Coord(dst.Width()), h = m_in.Coord(dst.Height());
        const int32_t p1 = m_in.Coord(dst.Width()), p2 = m_in.Coord(dst.Height());
        const int32_t angle = m_in.Flag() ? int32_t(m_in.Byte()) * 15 - 360 : m_in.Coord(360);
        Call c;
        const bool is32 = Is32(dst);
        switch (m_in.Pick(6)) {
            case 0:
                c.name = "Mosaic32";
                if (is32 && w > 0 && h > 0) c.regions[size_t(d)] = BlitRegion(x, y, w, h);
                c.run = [=](Pool& p, Outputs&) { Mosaic32(x, y, w, h, p1, p2, *p[d]); };
                break;
            case 1:
                c.name = "Rotate32";
                if (is32 && w > 0 && h > 0) c.regions[size_t(d)] = BlitRegion(x, y, w, h);
                c.run = [=](Pool& p, Outputs&) { Rotate32(*p[s], *p[d], x, y, w, h, p1, p2, angle); };
                break;
            case 2:
                c.name = "Rotate32A";
                if (is32) c.regions[size_t(d)] = Region::Whole();
                c.run = [=](Pool& p, Outputs&) { Rotate32A(*p[s], *p[d], angle); };
                break;
            case 3:
                c.name = "Blur32";
                if (is32) c.regions[size_t(d)] = Region::Whole();
                c.run = [=](Pool& p, Outputs&) { Blur32(*p[d], p1); };
                break;
            case 4:
                c.name = "ChangeTopBottom";
                c.regions[size_t(d)] = Region::Any();
                c.run = [=](Pool& p, Outputs&) { ChangeTopBottom(*p[d]); };
                break;
            default:
                c.name = "Mirror";
                c.regions[size_t(d)] = Region::Any();
                c.run = [=](Pool& p, Outputs&) { Mirror(*p[d]); };
                break;
        }
        if (c.name.starts_with("Rotate")) c.name += Shared({s, d});
        return c;
    }

    // ---- Text ----------------------------------------------------------------------------------
    TFont Font() {
        static const char* const kNames[] = {"Tahoma", "", "DejaVu Sans Mono", "No Such Face"};
        // Moderate sizes: the supersampled routines render at twice the size, and a huge em
        // only costs time rasterising glyphs.
        static constexpr int32_t kSizes[] = {0, 1, -1, 2, 3, 5, 8, 12, 24, 72, 100, 150, -150};
        TFont f;
        f.Name = kNames[m_in.Pick(std::size(kNames))];
        f.Size = kSizes[m_in.Pick(std::size(kSizes))];
        f.Style = TFontStyles::FromBits(m_in.Byte());
        f.Color = m_in.Color();
        return f;
    }

    Call Text() {
        const int b = Slot();
        TLumarix& bitmap = At(b);
        const int32_t x = m_in.Coord(bitmap.Width()), y = m_in.Coord(bitmap.Height());
        const std::string text = m_in.Text();
        const TFont font = Font();
        const TColor effectColor = m_in.Color();
        const int32_t effect = m_in.Pick(10) - 1;
        const bool is32 = Is32(bitmap);
        Call c;
        // Text lies right of and below its position; the effects move it by -1 to +2 pixels, the
        // jitter further right and down.
        Region below = Region::Rect(int64_t(x) - 1, int64_t(y) - 1, INT64_MAX / 8, INT64_MAX / 8);
        switch (m_in.Pick(8)) {
            case 0:
                c.name = "SuperTextOut";
                below = Region::Rect(x, y, INT64_MAX / 8, INT64_MAX / 8, 7);
                c.run = [=](Pool& p, Outputs&) { SuperTextOut(*p[b], x, y, font, text); };
                break;
            case 1:
                c.name = "SuperTextOut_Layer";
                below = Region::Rect(x, y, INT64_MAX / 8, INT64_MAX / 8);
                c.run = [=](Pool& p, Outputs&) { SuperTextOut_Layer(*p[b], x, y, font, text); };
                break;
            case 2:
                c.name = "SuperTextOutFast_Layer";
                below = Region::Rect(x, y, INT64_MAX / 8, INT64_MAX / 8);
                c.run = [=](Pool& p, Outputs&) { SuperTextOutFast_Layer(*p[b], x, y, font, text); };
                break;
            case 3:
                c.name = "StdTextOut";
                below.channels = 7;
                c.run = [=](Pool& p, Outputs&) { StdTextOut(effect, x, y, text, font, effectColor, *p[b]); };
                break;
            case 4:
                c.name = "StdTextOut_Layer";
                c.run = [=](Pool& p, Outputs&) { StdTextOut_Layer(effect, x, y, text, font, effectColor, *p[b]); };
                break;
            case 5:
                c.name = "StdTextOutFast_Layer";
                c.run = [=](Pool& p, Outputs&) { StdTextOutFast_Layer(effect, x, y, text, font, effectColor, *p[b]); };
                break;
            case 6: {
                // The surface's own text output: glyphs may reach left of and above the origin.
                c.name = "StdTextOutFast";
                const int64_t margin = 2 * int64_t(std::abs(font.Size)) + 8;
                c.regions[size_t(b)] = Region::Rect(int64_t(x) - margin, int64_t(y) - margin, INT64_MAX / 8,
                                                    INT64_MAX / 8, 0xF, PixelBytes(bitmap));
                c.run = [=](Pool& p, Outputs&) { StdTextOutFast(effect, x, y, text, font, effectColor, p[b]->Canvas()); };
                return c;
            }
            default: {
                const int32_t w = m_in.Coord(bitmap.Width()), h = m_in.Coord(bitmap.Height());
                c.name = "MakeColorKeyMask32";
                if (is32 && w > 0 && h > 0) c.regions[size_t(b)] = BlitRegion(x, y, w, h, 8);
                c.run = [=](Pool& p, Outputs&) { MakeColorKeyMask32(x, y, w, h, *p[b], effectColor); };
                return c;
            }
        }
        if (is32) c.regions[size_t(b)] = below;
        return c;
    }

    // ---- The drawing surface -------------------------------------------------------------------
    Call Canvas() {
        const int b = Slot(), o = Slot();
        TLumarix& bitmap = At(b);
        TCanvas& canvas = bitmap.Canvas();
        const int unit = PixelBytes(bitmap);
        const int32_t x1 = m_in.Coord(bitmap.Width()), y1 = m_in.Coord(bitmap.Height());
        const int32_t x2 = m_in.Coord(bitmap.Width()), y2 = m_in.Coord(bitmap.Height());
        const TColor colour = m_in.Color();
        Call c;
        auto rect = [&](int64_t l, int64_t t, int64_t r, int64_t bo) {
            return Region::Rect(std::min(l, r), std::min(t, bo), std::max(l, r), std::max(t, bo), 0xF, unit);
        };
        switch (m_in.Pick(9)) {
            case 0: {
                c.name = "TCanvas::FillRect";
                const bool clear = m_in.Pick(4) == 0;
                if (!clear) c.regions[size_t(b)] = rect(x1, y1, x2, y2);
                c.run = [=](Pool& p, Outputs&) {
                    TCanvas& cv = p[b]->Canvas();
                    cv.Brush.Color = colour;
                    cv.Brush.Style = clear ? TBrushStyle::bsClear : TBrushStyle::bsSolid;
                    cv.FillRect(Rect(x1, y1, x2, y2));
                };
                break;
            }
            case 1: {
                c.name = "TCanvas::LineTo";
                const int32_t width = m_in.Flag() ? m_in.Pick(6) : m_in.Coord(24) % 40;
                const bool move = m_in.Flag();
                const int64_t px = move ? x1 : canvas.PenPos().x, py = move ? y1 : canvas.PenPos().y;
                const int64_t pen = std::max(width, 1);
                c.regions[size_t(b)] = rect(std::min<int64_t>(px, x2) - pen, std::min<int64_t>(py, y2) - pen,
                                            std::max<int64_t>(px, x2) + pen + 1, std::max<int64_t>(py, y2) + pen + 1);
                c.run = [=](Pool& p, Outputs& out) {
                    TCanvas& cv = p[b]->Canvas();
                    cv.Pen.Color = colour;
                    cv.Pen.Width = width;
                    if (move) cv.MoveTo(x1, y1);
                    cv.LineTo(x2, y2);
                    out.insert(out.end(), {cv.PenPos().x, cv.PenPos().y});
                };
                break;
            }
            case 2: {
                c.name = "TCanvas::Draw";
                TLumarix& other = At(o);
                c.regions[size_t(b)] = rect(x1, y1, int64_t(x1) + other.Width(), int64_t(y1) + other.Height());
                c.run = [=](Pool& p, Outputs&) { p[b]->Canvas().Draw(x1, y1, *p[o]); };
                break;
            }
            case 3: {
                c.name = "TCanvas::CopyRect";
                TLumarix& other = At(o);
                const int32_t sx1 = m_in.Coord(other.Width()), sy1 = m_in.Coord(other.Height());
                const int32_t sx2 = m_in.Coord(other.Width()), sy2 = m_in.Coord(other.Height());
                c.regions[size_t(b)] = rect(x1, y1, x2, y2);
                c.run = [=](Pool& p, Outputs&) {
                    p[b]->Canvas().CopyRect(Rect(x1, y1, x2, y2), p[o]->Canvas(), Rect(sx1, sy1, sx2, sy2));
                };
                break;
            }
            case 4:
            case 5: {
                c.name = "TCanvas::TextOut";
                const std::string text = m_in.Text();
                const TFont font = Font();
                const bool clear = m_in.Flag();
                const int64_t margin = 2 * int64_t(std::abs(font.Size)) + 8;
                c.regions[size_t(b)] = Region::Rect(int64_t(x1) - margin, int64_t(y1) - margin, INT64_MAX / 8,
                                                    INT64_MAX / 8, 0xF, unit);
                c.run = [=](Pool& p, Outputs& out) {
                    TCanvas& cv = p[b]->Canvas();
                    cv.Font.Assign(font);
                    cv.Brush.Color = colour;
                    cv.Brush.Style = clear ? TBrushStyle::bsClear : TBrushStyle::bsSolid;
                    const TSize extent = cv.TextExtent(text);
                    out.insert(out.end(), {extent.cx, extent.cy});
                    cv.TextOut(x1, y1, text);
                };
                break;
            }
            case 6: {
                c.name = "TCanvas::SetPixel";
                c.regions[size_t(b)] = rect(x1, y1, int64_t(x1) + 1, int64_t(y1) + 1);
                c.run = [=](Pool& p, Outputs& out) {
                    TCanvas& cv = p[b]->Canvas();
                    cv.SetPixel(x1, y1, colour);
                    out.push_back(cv.Pixel(x1, y1));
                    out.push_back(cv.Pixel(x2, y2));
                };
                break;
            }
            default: {
                c.name = "TLumarix::PutColor";
                // The pixel helpers see the row as 4-byte pixels; colour bytes only.
                c.regions[size_t(b)] = Region::Rect(x1, y1, int64_t(x1) + 1, int64_t(y1) + 1, 7);
                c.run = [=](Pool& p, Outputs& out) {
                    p[b]->PutColor(x1, y1, colour);
                    TColor got = 0;
                    p[b]->GetColor(x2, y2, got);
                    out.push_back(got);
                };
                break;
            }
        }
        if (c.name == "TCanvas::Draw" || c.name == "TCanvas::CopyRect") c.name += Shared({b, o});
        return c;
    }

    // ---- Size, format, copies and files ---------------------------------------------------------
    // Widths reach past the limits of the pixel buffer; heights stay small, since a bitmap 0 pixels
    // wide may have any number of rows and every row costs a step in most routines.
    int32_t Size(bool width) {
        static constexpr int32_t kLarge[] = {INT32_MIN, -1, 32769, (1 << 28) + 1, 1 << 29, INT32_MAX};
        return m_in.Pick(8) == 0 ? kLarge[m_in.Pick(width ? std::size(kLarge) : 2)] : int32_t(m_in.Byte() % 72);
    }

    Call Bitmap() {
        const int a = Slot(), b = Slot(), m = Slot();
        Call c;
        c.regions[size_t(a)] = Region::Any();
        switch (m_in.Pick(10)) {
            case 0: {
                int32_t w = Size(true), h = Size(false);
                const int how = m_in.Pick(4);
                // Sizes the library accepts but that would take more than 32 MB become small: the
                // refusals past 1 GiB are what the large values are for.
                TLumarix& t = At(a);
                const int64_t newW = std::max(how == 3 ? t.Width() : w, 0), newH = std::max(how == 2 ? t.Height() : h, 0);
                const int64_t stride = (newW * (how == 0 ? 4 : PixelBytes(t)) + 3) / 4 * 4;
                const int64_t bytes = stride > kMaxBitmapBytes ? stride : stride * newH;
                if (bytes > (int64_t(32) << 20) && bytes <= kMaxBitmapBytes) w = std::abs(w % 72), h = std::abs(h % 72);
                static const char* const kNames[] = {"TLumarix::SetSizeP", "TBitmap::SetSize", "TBitmap::SetWidth",
                                                     "TBitmap::SetHeight"};
                const char* name = kNames[how];
                c.name = name;
                c.run = [=](Pool& p, Outputs&) {
                    TLumarix& t = *p[a];
                    switch (how) {
                        case 0: t.SetSizeP(TPoint{w, h}); break;
                        case 1: t.TBitmap::SetSize(w, h); break;
                        case 2: t.SetWidth(w); break;
                        default: t.SetHeight(h); break;
                    }
                };
                c.check = [=](Pool& before, Pool& after) { CheckResized(name, *before[a], *after[a], how == 0); };
                break;
            }
            case 1: {
                const TPixelFormat f = TPixelFormat(m_in.Pick(3));
                const bool lumarix = m_in.Flag();
                c.name = lumarix ? "TLumarix::Do32" : "TBitmap::SetPixelFormat";
                c.run = [=](Pool& p, Outputs&) {
                    if (lumarix) p[a]->Do32();
                    else p[a]->SetPixelFormat(f);
                };
                c.check = [=](Pool& before, Pool& after) { CheckConverted(lumarix ? "Do32" : "SetPixelFormat", *before[a], *after[a]); };
                break;
            }
            case 2: {
                const bool lumarix = m_in.Flag();
                c.name = lumarix ? "TLumarix::Assign" : "TBitmap::Assign";
                c.run = [=](Pool& p, Outputs&) {
                    if (lumarix) p[a]->Assign(*p[b]);
                    else p[a]->TBitmap::Assign(*p[b]);
                };
                c.check = [=](Pool& before, Pool& after) {
                    if (lumarix) {
                        if (!Is32(*after[a])) Fail("TLumarix::Assign", "result is not 32-bit");
                        CheckConverted("TLumarix::Assign", *before[b], *after[a]);
                    } else {
                        CheckSamePicture("TBitmap::Assign", *before[b], *after[a]);
                    }
                };
                break;
            }
            case 3: {
                // Written at its own format and read back: the same picture.
                const bool lumarix = m_in.Flag();
                c.name = lumarix ? "TLumarix::LoadFromStream" : "TBitmap::LoadFromStream";
                c.run = [=](Pool& p, Outputs&) {
                    std::stringstream file;
                    p[b]->SaveToStream(file);
                    if (lumarix) p[a]->LoadFromStream(file);
                    else p[a]->TBitmap::LoadFromStream(file);
                };
                c.check = [=](Pool& before, Pool& after) {
                    if (lumarix) CheckConverted("TLumarix::LoadFromStream", *before[b], *after[a]);
                    else CheckSamePicture("TBitmap::LoadFromStream", *before[b], *after[a]);
                };
                break;
            }
            case 4: {
                c.name = "Convert24Ato32";
                c.regions[size_t(b)] = c.regions[size_t(m)] = Region::Any();
                c.run = [=](Pool& p, Outputs&) { Convert24Ato32(*p[a], *p[m], *p[b]); };
                if (a != b && b != m && a != m)
                    c.check = [=](Pool& before, Pool& after) { CheckConvert24Ato32(*before[a], *before[m], *after[b]); };
                break;
            }
            case 5: {
                c.name = "Convert24Ato8";
                c.regions[size_t(b)] = Region::Any();
                c.run = [=](Pool& p, Outputs&) { Convert24Ato8(*p[a], *p[b]); };
                break;
            }
            case 6: {
                c.name = "TLumarix::Zero";
                c.run = [=](Pool& p, Outputs&) { p[a]->Zero(); };
                break;
            }
            default: {
                const uint8_t r = m_in.Byte(), g = m_in.Byte(), bl = m_in.Byte();
                c.name = "TLumarix::FillBMP";
                c.regions[size_t(a)] = Region::Whole();
                c.run = [=](Pool& p, Outputs&) { p[a]->FillBMP(r, g, bl); };
                break;
            }
        }
        if (c.name == "Convert24Ato32") c.name += Shared({a, b, m});
        else if (c.name.find("Assign") != std::string::npos || c.name.find("Load") != std::string::npos ||
                 c.name == "Convert24Ato8")
            c.name += Shared({a, b});
        return c;
    }

    static void CheckResized(const char* name, TBitmap& before, TBitmap& after, bool to32) {
        if (to32 && !Is32(after)) Fail(name, "result is not 32-bit");
        if (before.PixelFormat() != after.PixelFormat()) return;
        const int32_t w = std::min(before.Width(), after.Width()), h = std::min(before.Height(), after.Height());
        for (int32_t y = 0; w > 0 && y < h; ++y)
            if (std::memcmp(before.ScanLine(y), after.ScanLine(y), size_t(w) * size_t(PixelBytes(after))) != 0)
                Fail(name, "resizing lost the kept part of the picture", -1, 0, y);
    }

    static void CheckConvert24Ato32(TBitmap& colour, TBitmap& mask, TBitmap& result) {
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

    // ---- Helpers -------------------------------------------------------------------------------
    Call Helper() {
        Call c;
        const int32_t d = m_in.Coord(70);
        int32_t v[6];
        for (int32_t& x : v) x = m_in.Coord(d);
        const uint32_t u = m_in.U32();
        const uint8_t i = m_in.Byte(), bit = m_in.Byte();
        switch (m_in.Pick(3)) {
            case 0:
                c.name = "SetXYWHAuto";
                c.run = [=](Pool&, Outputs& out) { CheckBlitClip(v, d, out); };
                break;
            case 1:
                c.name = "random generator";
                c.run = [=](Pool&, Outputs& out) {
                    if (u & 1) Reseed();
                    else SetRandomState(u);
                    out.push_back(RandomDraw(u >> 8));
                    out.push_back(RandomDraw(0));
                };
                break;
            default:
                c.name = "byte helpers";
                c.run = [=](Pool&, Outputs& out) {
                    out.insert(out.end(), {RoundByte(v[0]), getbit(uint8_t(u), i), setbit(uint8_t(u), i, bit)});
                };
                break;
        }
        return c;
    }

    // Accepted rectangles of at least one pixel each way lie on the destination, the source
    // corner moved with the destination corner.
    static void CheckBlitClip(const int32_t (&v)[6], int32_t d, Outputs& out) {
        int32_t sx = v[0], sy = v[1], w = v[2], h = v[3], dx = v[4], dy = v[5];
        const bool ok = SetXYWHAuto(sx, sy, w, h, dx, dy, d, d);
        out.insert(out.end(), {ok, sx, sy, w, h, dx, dy});
        if (!ok) {
            if (sx != v[0] || sy != v[1] || w != v[2] || h != v[3] || dx != v[4] || dy != v[5])
                Fail("SetXYWHAuto", "refused but changed its arguments");
            return;
        }
        // A destination 0 pixels wide or high is the callers' to refuse (every blit does).
        if (v[2] < 1 || v[3] < 1 || d < 1) return;
        const bool inside = dx >= 0 && dy >= 0 && w >= 1 && h >= 1 && int64_t(dx) + w <= d && int64_t(dy) + h <= d &&
                            (sx == INT32_MAX || int64_t(sx) - dx == int64_t(v[0]) - v[4]) &&
                            (sy == INT32_MAX || int64_t(sy) - dy == int64_t(v[1]) - v[5]);
        if (!inside) Fail("SetXYWHAuto", "accepted a rectangle off the destination");
    }

    Input& m_in;
    Pool& m_pool;
};

// ==== The pool's first pictures =================================================================

class PixelNoise {
public:
    explicit PixelNoise(uint32_t seed) : m_state(seed | 1) {}
    // Bytes biased to 0 and 255, the values where blends and clamps have their edges.
    uint8_t Next() {
        m_state ^= m_state << 13, m_state ^= m_state >> 17, m_state ^= m_state << 5;
        switch (m_state & 3) {
            case 0: return 0;
            case 1: return 255;
            default: return uint8_t(m_state >> 8);
        }
    }

private:
    uint32_t m_state;
};

void FillPool(Input& in, Pool& pool) {
    PixelNoise noise(in.U32());
    for (auto& b : pool) {
        const int32_t w = in.Byte() % 72, h = in.Byte() % 72;
        const uint8_t kind = in.Byte();
        b->SetSize(w, h);
        if (kind % 4 < 2) b->SetPixelFormat(kind % 4 == 0 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
        if (kind & 4) {
            TPalette palette;
            for (auto& e : palette) e = {noise.Next(), noise.Next(), noise.Next(), 0};
            b->SetPalette(palette);
        }
        for (int32_t y = 0; y < b->Height(); ++y) {
            uint8_t* row = b->ScanLine(y);
            for (int64_t x = 0; x < RowBytes(*b); ++x) row[x] = noise.Next();
        }
    }
}

bool Matches(const char* pattern, const char* name) {
    if (*pattern == '*') return Matches(pattern + 1, name) || (*name && Matches(pattern, name + 1));
    return *pattern == *name && (*name == 0 || Matches(pattern + 1, name + 1));
}

// APIFUZZ_SKIP: a comma-separated list of call names not to run ("*" matches any run of
// characters), so that a campaign can go on past a known fault whose fix is pending.
bool Skipped(const std::string& name) {
    static const std::vector<std::string> skip = [] {
        std::vector<std::string> list;
        std::stringstream all(std::getenv("APIFUZZ_SKIP") ? std::getenv("APIFUZZ_SKIP") : "");
        for (std::string item; std::getline(all, item, ',');)
            if (!item.empty()) list.push_back(item);
        return list;
    }();
    return std::any_of(skip.begin(), skip.end(), [&](const std::string& item) { return Matches(item.c_str(), name.c_str()); });
}

}  // namespace

// Fontconfig keeps a few hundred bytes of its configuration, loaded once, unreachable at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int kMaxCalls = 16;
    Input in(data, size);
    Pool pool = MakePool();
    Pool scratch = MakePool();
    FillPool(in, pool);
    g_counter = in.U32();
    const simd::Level top = simd::processor_level();
    Decoder decoder(in, pool);
    for (int i = 0; i < kMaxCalls && !in.Empty(); ++i) {
        // The processor's level or, on x86, a level below it down to SSE2.
        simd::Level level = top;
        if (level == simd::Level::avx512 && in.Flag()) level = simd::Level::avx2;
        if (level == simd::Level::avx2 && in.Flag()) level = simd::Level::sse2;
        const uint32_t randomState = in.U32();
        const Call call = decoder.Next();
        if (Skipped(call.name)) continue;
        if (Tracing()) {
            std::fprintf(stderr, "api fuzz: call %d: %s %s\n", i, call.name.c_str(), call.args.c_str());
            for (int k = 0; k < kPoolSize; ++k)
                std::fprintf(stderr, "  bitmap %d: %d x %d, %d bits\n", k, pool[size_t(k)]->Width(),
                             pool[size_t(k)]->Height(), TBitmap::BitsPerPixel(pool[size_t(k)]->PixelFormat()));
        }
        Execute(pool, scratch, call, level, randomState);
    }
    simd::set_level_cap(simd::environment_cap());
    return 0;
}
