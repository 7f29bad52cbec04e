// The API fuzzer's blits and zooms, with the part of the destination each may write.
#include "api/calls.h"

#include <cmath>

namespace apifuzz {

// ---- Blits ---------------------------------------------------------------------------------
Call Decoder::Blit() {
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
Call Decoder::Zoom() {
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

Call Decoder::ZoomClip(int32_t srcWidth, int32_t srcHeight, int32_t dstWidth, int32_t dstHeight, double sx, double sy,
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

}  // namespace apifuzz
