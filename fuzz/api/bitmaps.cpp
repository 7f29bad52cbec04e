// The API fuzzer's size, format, copy and file calls, the helpers, and the choice of family.
#include "api/calls.h"

#include <sstream>

namespace apifuzz {

Call Decoder::Next() {
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

// ---- Size, format, copies and files ---------------------------------------------------------
// Widths reach past the limits of the pixel buffer; heights stay small, since a bitmap 0 pixels
// wide may have any number of rows and every row costs a step in most routines.
int32_t Decoder::Size(bool width) {
    static constexpr int32_t kLarge[] = {INT32_MIN, -1, 32769, (1 << 28) + 1, 1 << 29, INT32_MAX};
    return m_in.Pick(8) == 0 ? kLarge[m_in.Pick(width ? std::size(kLarge) : 2)] : int32_t(m_in.Byte() % 72);
}

Call Decoder::Bitmap() {
    const int a = Slot(), b = Slot(), m = Slot();
    Call c;
    c.regions[size_t(a)] = Region::Any();
    switch (m_in.Pick(10)) {
        case 0: return Resize(a);
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

// Widths reach past the limits of the pixel buffer. A row wider than the pool's pictures only
// needs a few of them: every later call copies and compares the whole bitmap twice.
Call Decoder::Resize(int a) {
    int32_t w = Size(true), h = Size(false);
    const int how = m_in.Pick(4);
    TLumarix& t = At(a);
    int64_t newW = std::max(how == 3 ? t.Width() : w, 0), newH = std::max(how == 2 ? t.Height() : h, 0);
    if (newW > 71 && newH > 3) {
        if (how == 2) w %= 72, newW = std::max(w, 0);
        else h %= 4, newH = std::max(h, 0);
    }
    // Sizes the library accepts but that would take more than 8 MiB become small: the refusals
    // past 1 GiB are what the large values are for, and 8 MiB still reaches every way the library
    // allocates a picture (the heap, mappings from 1 MiB, huge pages from 4 MiB). A larger one
    // only made every later call of the input copy, run and compare tens of megabytes.
    const int64_t stride = (newW * (how == 0 ? 4 : PixelBytes(t)) + 3) / 4 * 4;
    const int64_t bytes = stride > kMaxBitmapBytes ? stride : stride * newH;
    if (bytes > (int64_t(8) << 20) && bytes <= kMaxBitmapBytes) w = std::abs(w % 72), h = std::abs(h % 72);
    static const char* const kNames[] = {"TLumarix::SetSizeP", "TBitmap::SetSize", "TBitmap::SetWidth",
                                         "TBitmap::SetHeight"};
    const char* name = kNames[how];
    Call c;
    c.name = name;
    c.regions[size_t(a)] = Region::Any();
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
    return c;
}

// ---- Helpers -------------------------------------------------------------------------------
Call Decoder::Helper() {
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

void Decoder::CheckBlitClip(const int32_t (&v)[6], int32_t d, Outputs& out) {
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

}  // namespace apifuzz
