// Every public blit against a pixel-by-pixel reference on random bitmaps and rectangles: in
// the contract, partly or wholly outside the destination, source rectangles reaching outside
// the source, transition maps smaller than the target, and source and destination being one
// bitmap with overlapping rectangles. The reference clips with SetXYWHAuto, then walks rows top
// to bottom and pixels left to right, leaving every pixel whose source pixel or map byte does
// not exist unchanged. A failing case prints its seed.
#include "blit_test_util.h"

#include "blits/blit_px.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using namespace blit_test;
using namespace lumarix::blits;
using lumarix::TColor;

struct Rect {
    int32_t destX, destY, width, height, srcX, srcY;
};

struct Params {
    uint32_t key;  // a colour value 0x00BBGGRR, compared with the pixel bytes as they stand
    uint32_t alpha, level, progress, softness;
};

enum class Kind { Source, Transition, Rectangle };

using Run = std::function<void(TLumarix& src, TBitmap& map, TBitmap& dest, const Rect& r, const Params& p)>;
using Pixel = std::function<void(uint8_t* d, const uint8_t* s, uint8_t v, const Params& p)>;

struct Method {
    const char* name;
    Kind kind;
    Run run;
    Pixel pixel;
};

#define BLIT(name, ...) [](TLumarix& s, TBitmap&, TBitmap& d, const Rect& r, const Params& p) { \
    s.name(r.destX, r.destY, r.width, r.height, r.srcX, r.srcY, d, __VA_ARGS__); }
#define BLIT0(name) [](TLumarix& s, TBitmap&, TBitmap& d, const Rect& r, const Params&) { \
    s.name(r.destX, r.destY, r.width, r.height, r.srcX, r.srcY, d); }
#define TRANS(name) [](TLumarix& s, TBitmap& m, TBitmap& d, const Rect& r, const Params& p) { \
    s.name(r.destX, r.destY, r.width, r.height, r.srcX, r.srcY, m, d, uint16_t(p.progress), uint16_t(p.softness)); }

std::vector<Method> methods() {
    auto a256 = [](const Params& p) { return std::min<uint32_t>(p.alpha, 256); };
    return {
        {"ColorKey", Kind::Source, BLIT(ColorKey, TColor(p.key)),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_key(d, s, p.key); }},
        {"ColorAlpha", Kind::Source, BLIT(ColorAlpha, uint16_t(p.alpha)),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) {
             if (p.alpha != 0) px_alpha(d, s, std::min<uint32_t>(p.alpha, 255));
         }},
        {"ColorAlphaMMX", Kind::Source, BLIT(ColorAlphaMMX, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_alpha(d, s, a256(p)); }},
        {"ColorAlphaMMX64", Kind::Source, BLIT(ColorAlphaMMX64, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_alpha(d, s, a256(p)); }},
        {"ColorAlphaSSE2_64", Kind::Source, BLIT(ColorAlphaSSE2_64, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_alpha(d, s, a256(p)); }},
        {"ColorKeyAlpha", Kind::Source, BLIT(ColorKeyAlpha, TColor(p.key), uint8_t(p.alpha)),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_key_alpha(d, s, p.key, p.alpha & 255, true); }},
        {"ColorKeyAlphaMMX", Kind::Source, BLIT(ColorKeyAlphaMMX, TColor(p.key), uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_key_alpha(d, s, p.key, a256(p), false); }},
        {"ColorAlphaPic", Kind::Source, BLIT0(ColorAlphaPic),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params&) { px_pic(d, s); }},
        {"ColorAlphaPicMMX", Kind::Source, BLIT0(ColorAlphaPicMMX),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params&) { px_pic_mmx(d, s); }},
        {"ColorAlphaPicCh", Kind::Source, BLIT0(ColorAlphaPicCh),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params&) { px_pic_ch(d, s); }},
        {"ColorAlphaPicChMMX", Kind::Source, BLIT0(ColorAlphaPicChMMX),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params&) { px_pic_ch_mmx(d, s); }},
        {"ColorAlphaPicAlpha", Kind::Source, BLIT(ColorAlphaPicAlpha, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_pic_alpha(d, s, a256(p), false); }},
        {"ColorAlphaPicAlphaMMX", Kind::Source, BLIT(ColorAlphaPicAlphaMMX, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_pic_alpha_mmx(d, s, a256(p)); }},
        {"ColorAlphaPicAlphaCh", Kind::Source, BLIT(ColorAlphaPicAlphaCh, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) {
             // The shortcut: a source weight of 0 leaves the pixel.
             if (((256 - s[3]) * a256(p)) >> 8 != 0) px_pic_alpha(d, s, a256(p), false);
         }},
        {"ColorAlphaPicAlphaChMMX", Kind::Source, BLIT(ColorAlphaPicAlphaChMMX, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_pic_alpha_ch_mmx(d, s, a256(p)); }},
        {"CopyAlpha32", Kind::Source, BLIT(CopyAlpha32, uint16_t(p.alpha)),
         [=](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_pic_alpha(d, s, a256(p), true); }},
        {"ColorAdd", Kind::Source, BLIT(ColorAdd, uint16_t(p.level)),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_add<false>(d, s, p.level); }},
        {"ColorAddMMX", Kind::Source, BLIT(ColorAddMMX, uint16_t(p.level)),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_add<true>(d, s, p.level); }},
        {"ColorSub", Kind::Source, BLIT(ColorSub, uint16_t(p.level)),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_sub<false>(d, s, p.level); }},
        {"ColorSubMMX", Kind::Source, BLIT(ColorSubMMX, uint16_t(p.level)),
         [](uint8_t* d, const uint8_t* s, uint8_t, const Params& p) { px_sub<true>(d, s, p.level); }},
        {"ColorAlphaPicTrans", Kind::Transition, TRANS(ColorAlphaPicTrans),
         [](uint8_t* d, const uint8_t* s, uint8_t v, const Params& p) {
             px_trans(d, s, v, trans_params(p.progress, p.softness), true);
         }},
        {"ColorAlphaPicTransMMX", Kind::Transition, TRANS(ColorAlphaPicTransMMX),
         [](uint8_t* d, const uint8_t* s, uint8_t v, const Params& p) {
             px_trans(d, s, v, trans_params(p.progress, std::min<uint32_t>(p.softness, 8)), false);
         }},
        {"ColorAlphaPicAlphaTransMMX", Kind::Transition, TRANS(ColorAlphaPicAlphaTransMMX),
         [](uint8_t* d, const uint8_t* s, uint8_t v, const Params& p) {
             px_trans(d, s, v, trans_params(p.progress, std::min<uint32_t>(p.softness, 8)), false);
         }},
        {"ColorAlphaPicAlphaTrans", Kind::Transition, TRANS(ColorAlphaPicAlphaTrans),
         [](uint8_t* d, const uint8_t* s, uint8_t v, const Params& p) {
             px_alpha_trans(d, s, v, trans_params(p.progress, p.softness));
         }},
        {"RectAngleAlpha", Kind::Rectangle,
         [](TLumarix&, TBitmap&, TBitmap& d, const Rect& r, const Params& p) {
             static_cast<TLumarix&>(d).RectAngleAlpha(r.destX, r.destY, r.width, r.height, TColor(p.key),
                                                      uint8_t(p.alpha));
         },
         [](uint8_t* d, const uint8_t*, uint8_t, const Params& p) {
             const uint32_t a = p.alpha & 255, c[3] = {(p.key >> 16) & 255, (p.key >> 8) & 255, p.key & 255};
             for (int i = 0; i < 3; ++i) d[i] = uint8_t((d[i] * (255 - a) + c[i] * (a + 1)) >> 8);
         }},
        {"RectAngleAlphaMMX", Kind::Rectangle,
         [](TLumarix&, TBitmap&, TBitmap& d, const Rect& r, const Params& p) {
             static_cast<TLumarix&>(d).RectAngleAlphaMMX(r.destX, r.destY, r.width, r.height, TColor(p.key),
                                                         uint8_t(p.alpha));
         },
         [](uint8_t* d, const uint8_t*, uint8_t, const Params& p) {
             const uint32_t a = p.alpha & 255, c[4] = {(p.key >> 16) & 255, (p.key >> 8) & 255, p.key & 255, 0};
             for (int i = 0; i < 4; ++i) d[i] = uint8_t((d[i] * (256 - a) + c[i] * a) >> 8);
         }},
    };
}

/// The reference frame: SetXYWHAuto, then the pixel rule wherever the source pixel (and the
/// map byte) exists, rows top to bottom, pixels left to right.
void reference(const Method& m, TLumarix& src, TBitmap& map, TBitmap& dest, Rect r, const Params& p) {
    if (m.kind == Kind::Rectangle) r.srcX = r.srcY = 0;
    if (!lumarix::SetXYWHAuto(r.srcX, r.srcY, r.width, r.height, r.destX, r.destY, dest.Width(), dest.Height()))
        return;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const int sx = r.srcX + x, sy = r.srcY + y, dx = r.destX + x, dy = r.destY + y;
            uint8_t v = 0;
            if (m.kind != Kind::Rectangle && (sx < 0 || sy < 0 || sx >= src.Width() || sy >= src.Height())) continue;
            if (m.kind == Kind::Transition) {
                if (dx >= map.RowStride() || dy >= map.Height()) continue;
                v = map.ScanLine(dy)[dx];
            }
            m.pixel(px(dest, dx, dy), m.kind == Kind::Rectangle ? nullptr : px(src, sx, sy), v, p);
        }
}

int32_t in(std::mt19937& rng, int lo, int hi) { return lo + int32_t(rng() % uint32_t(hi - lo + 1)); }

TEST(BlitMethods, MatchThePixelReferenceOnRandomRectangles) {
    for (const Method& m : methods()) {
        for (int c = 0; c < 400; ++c) {
            const uint32_t seed = uint32_t(c) * 7919u + 3;
            std::mt19937 rng(seed);
            const bool same = m.kind != Kind::Rectangle && rng() % 4 == 0;  // source and destination one bitmap
            TLumarix src, dest, want, wantSrc;
            TBitmap map;
            dest.SetSize(in(rng, 1, 40), in(rng, 1, 12));
            src.SetSize(in(rng, 1, 40), in(rng, 1, 12));
            fill_random(dest, rng);
            fill_random(src, rng);
            map.SetPixelFormat(lumarix::TPixelFormat::pf8bit);
            map.SetSize(in(rng, 1, 44), in(rng, 1, 14));  // sometimes smaller than the target
            fill_random(map, rng);

            Rect r{};
            if (rng() % 2) {  // inside the contract: the source rectangle lies in the source
                TLumarix& s = same ? dest : src;
                r.width = in(rng, 1, s.Width());
                r.height = in(rng, 1, s.Height());
                r.srcX = in(rng, 0, s.Width() - r.width);
                r.srcY = in(rng, 0, s.Height() - r.height);
            } else {
                r.width = in(rng, -3, 50);
                r.height = in(rng, -3, 16);
                r.srcX = in(rng, -12, 45);
                r.srcY = in(rng, -6, 14);
            }
            r.destX = in(rng, -20, dest.Width() + 3);
            r.destY = in(rng, -8, dest.Height() + 2);
            if (rng() % 8 == 0) {  // whole rows of bitmaps equally wide, which some blits take as one run
                src.SetWidth(dest.Width());
                r.srcX = r.destX = 0;
                r.width = dest.Width();
            }

            Params p{};
            const uint8_t* k = px(src, in(rng, 0, src.Width() - 1), 0);
            p.key = rng() % 2 ? uint32_t(k[0] | k[1] << 8 | k[2] << 16) : rng() & 0xFFFFFF;
            p.alpha = rng() % 3 == 0 ? rng() % 300 : (rng() % 2 ? 128 : 256);
            p.level = rng() % 3 == 0 ? rng() % 65536 : rng() % 258;
            p.progress = rng() % 257;
            p.softness = rng() % 16;

            want.Assign(dest);
            wantSrc.Assign(src);
            TLumarix& runSrc = same ? dest : src;
            TLumarix& refSrc = same ? want : wantSrc;
            reference(m, refSrc, map, want, r, p);
            m.run(runSrc, map, dest, r, p);
            if (snapshot(dest) != snapshot(want) || (!same && snapshot(src) != snapshot(wantSrc))) {
                FAIL() << m.name << " seed " << seed << " case " << c << (same ? " (one bitmap)" : "")
                       << ": dest " << dest.Width() << "x" << dest.Height() << ", src " << src.Width() << "x"
                       << src.Height() << ", map " << map.Width() << "x" << map.Height() << ", rect destX "
                       << r.destX << " destY " << r.destY << " width " << r.width << " height " << r.height
                       << " srcX " << r.srcX << " srcY " << r.srcY << "; alpha " << p.alpha << " level " << p.level
                       << " progress " << p.progress << " softness " << p.softness;
            }
        }
    }
}

}  // namespace
