// The API fuzzer's text output and drawing surface calls.
#include "api/calls.h"

namespace apifuzz {

// ---- Text ----------------------------------------------------------------------------------
TFont Decoder::Font() {
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

Call Decoder::Text() {
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
Call Decoder::Canvas() {
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
        case 5: return CanvasText(b, x1, y1, unit, colour);
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

// The surface's own text output: glyphs may reach left of and above the origin.
Call Decoder::CanvasText(int b, int32_t x, int32_t y, int unit, TColor colour) {
    Call c;
    c.name = "TCanvas::TextOut";
    const std::string text = m_in.Text();
    const TFont font = Font();
    const bool clear = m_in.Flag();
    const int64_t margin = 2 * int64_t(std::abs(font.Size)) + 8;
    c.regions[size_t(b)] =
        Region::Rect(int64_t(x) - margin, int64_t(y) - margin, INT64_MAX / 8, INT64_MAX / 8, 0xF, unit);
    c.run = [=](Pool& p, Outputs& out) {
        TCanvas& cv = p[b]->Canvas();
        cv.Font.Assign(font);
        cv.Brush.Color = colour;
        cv.Brush.Style = clear ? TBrushStyle::bsClear : TBrushStyle::bsSolid;
        const TSize extent = cv.TextExtent(text);
        out.insert(out.end(), {extent.cx, extent.cy});
        cv.TextOut(x, y, text);
    };
    return c;
}

}  // namespace apifuzz
