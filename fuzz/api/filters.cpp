// The API fuzzer's colour and geometric filters.
#include "api/calls.h"

namespace apifuzz {

// ---- Colour filters ------------------------------------------------------------------------
Call Decoder::ColourFilter() {
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
Call Decoder::GeometricFilter() {
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

}  // namespace apifuzz
