// TCanvas::TextOut and TextExtent over the platform's text back end (DejaVu Sans here).
#include "text/text_backend.h"

#include <gtest/gtest.h>

#include <vector>

// Fontconfig 2.14 leaks a few bytes of its parsed XML configuration once per process; the leak
// checker of the sanitizer builds is told so. (Unused in other builds.)
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace lumarix {
namespace {

TFont Dejavu(int32_t size, TColor color, TFontStyles style = {}) {
    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = size;
    font.Color = color;
    font.Style = style;
    return font;
}

void Fill32(TBitmap& bitmap, int32_t w, int32_t h, uint32_t bgra) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    bitmap.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) bitmap.ScanLine(y)[4 * x + c] = uint8_t(bgra >> (8 * c));
}

uint32_t At(const TBitmap& b, int32_t x, int32_t y) {
    const uint8_t* p = b.ScanLine(y) + 4 * x;
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// Inked pixels per row of white text drawn on black.
std::vector<int> InkPerRow(const TFont& font, const std::string& text, int32_t w, int32_t h) {
    TBitmap bitmap;
    Fill32(bitmap, w, h, 0);
    bitmap.Canvas().Brush.Style = TBrushStyle::bsClear;
    bitmap.Canvas().Font = font;
    bitmap.Canvas().Font.Color = clWhite;
    bitmap.Canvas().TextOut(0, 0, text);
    std::vector<int> rows(h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) rows[y] += (At(bitmap, x, y) & 0xFF) >= 128;
    return rows;
}

TEST(CanvasText, ExtentFollowsSizeStyleAndText) {
    TBitmap bitmap;
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font = Dejavu(12, clBlack);
    const TSize empty = canvas.TextExtent("");
    EXPECT_EQ(empty.cx, 0);
    EXPECT_GT(empty.cy, 12) << "one line of a 16-pixel em";
    const TSize hello = canvas.TextExtent("Hello");
    EXPECT_EQ(hello.cy, empty.cy);
    EXPECT_GT(hello.cx, 0);
    // No kerning: the extent of a string is the sum of its characters' advances.
    EXPECT_EQ(canvas.TextExtent("AV").cx, canvas.TextExtent("A").cx + canvas.TextExtent("V").cx);

    canvas.Font.Size = 24;
    const TSize twice = canvas.TextExtent("Hello");
    EXPECT_NEAR(twice.cx, 2 * hello.cx, 3);
    EXPECT_NEAR(twice.cy, 2 * hello.cy, 2);

    canvas.Font = Dejavu(12, clBlack, fsBold);
    EXPECT_GT(canvas.TextExtent("Hello").cx, hello.cx);
    // Names that are not installed fall back to an installed face.
    canvas.Font.Name = "MS UI Gothic";
    EXPECT_GT(canvas.TextExtent("Hello").cx, 0);
}

TEST(CanvasText, SolidBrushFillsTheExtentFirst) {
    TBitmap bitmap;
    Fill32(bitmap, 120, 40, 0x11223344);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font = Dejavu(12, clBlack);
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = clYellow;
    const TSize e = canvas.TextExtent("Fill");
    canvas.TextOut(7, 5, "Fill");
    size_t ink = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 120; ++x) {
            const uint32_t p = At(bitmap, x, y);
            const bool inside = x >= 7 && x < 7 + e.cx && y >= 5 && y < 5 + e.cy;
            if (!inside) ASSERT_EQ(p, 0x11223344u) << x << "," << y;
            else if ((p & 0xFFFFFF) != 0x00FFFF) ++ink;  // yellow is blue 0, green 255, red 255
        }
    EXPECT_GT(ink, 0u);

    // With a clear brush only inked pixels change, and the fourth byte stays.
    Fill32(bitmap, 120, 40, 0x7F808080);
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Color = clWhite;
    canvas.TextOut(7, 5, "Fill");
    size_t changed = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 120; ++x) {
            const uint32_t p = At(bitmap, x, y);
            ASSERT_EQ(p >> 24, 0x7Fu);
            if (p != 0x7F808080u) {
                ++changed;
                ASSERT_TRUE(x >= 7 && y >= 5) << x << "," << y;
            }
        }
    EXPECT_GT(changed, 0u);
}

TEST(CanvasText, UnderlineStrikeOutAndItalic) {
    const std::string text = "Lines";
    TBitmap probe;
    probe.Canvas().Font = Dejavu(20, clWhite);
    const int32_t width = probe.Canvas().TextExtent(text).cx;
    const auto plain = InkPerRow(Dejavu(20, clWhite), text, 200, 60);
    const auto under = InkPerRow(Dejavu(20, clWhite, fsUnderline), text, 200, 60);
    const auto strike = InkPerRow(Dejavu(20, clWhite, fsStrikeOut), text, 200, 60);
    const auto italic = InkPerRow(Dejavu(20, clWhite, fsItalic), text, 200, 60);
    // A line covers the whole advance width in some row where the plain text has gaps.
    auto fullRows = [&](const std::vector<int>& rows) {
        std::vector<int32_t> found;
        for (int32_t y = 0; y < 60; ++y)
            if (rows[y] >= width && plain[y] < width) found.push_back(y);
        return found;
    };
    const auto underRows = fullRows(under), strikeRows = fullRows(strike);
    ASSERT_FALSE(underRows.empty());
    ASSERT_FALSE(strikeRows.empty());
    EXPECT_GT(underRows.front(), strikeRows.back()) << "the underline lies below the strike-out";
    EXPECT_NE(italic, plain);
}

TEST(CanvasText, OtherPixelFormats) {
    // 24-bit: blended like 32-bit. 8-bit: the nearest entry of the (grey) palette.
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf8bit}) {
        SCOPED_TRACE(format == TPixelFormat::pf24bit ? "24-bit" : "8-bit");
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(60, 30);
        bitmap.Canvas().Brush.Style = TBrushStyle::bsClear;
        bitmap.Canvas().Font = Dejavu(14, clBlack);
        bitmap.Canvas().TextOut(2, 2, "Ink");
        size_t black = 0, padding = 0;
        for (int32_t y = 0; y < 30; ++y) {
            const uint8_t* row = bitmap.ScanLine(y);
            const int32_t used = format == TPixelFormat::pf24bit ? 180 : 60;
            for (int32_t x = 0; x < used; ++x) black += row[x] == 0;
            for (int32_t x = used; x < bitmap.RowStride(); ++x) padding += row[x] != 255;
        }
        EXPECT_GT(black, 0u);
        EXPECT_EQ(padding, 0u) << "row padding untouched";
    }
}

TEST(CanvasText, FarPositionsAndHugeSizesStayInside) {
    TBitmap bitmap;
    Fill32(bitmap, 30, 20, 0x01020304);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = clRed;
    canvas.Font = Dejavu(12, clBlack);
    for (int32_t x : {INT32_MIN, -1000000, 40, INT32_MAX - 3})
        for (int32_t y : {INT32_MIN, -500, 25, INT32_MAX})
            canvas.TextOut(x, y, "far away, nothing to see");
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x) ASSERT_EQ(At(bitmap, x, y), 0x01020304u);

    // An absurd size is drawn at the largest em the back end allows, only where it is visible.
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Size = INT32_MAX;
    const TSize huge = canvas.TextExtent("W");
    EXPECT_GT(huge.cx, 1000);
    canvas.TextOut(-100, -1000, std::string(2000, 'W'));
    canvas.Font.Size = 0;
    EXPECT_GT(canvas.TextExtent("W").cx, 0) << "size 0 still measures";
}

TEST(CanvasText, RenderTextIsLimitedToTheClip) {
    const TFont font = Dejavu(30, clBlack);
    const text::TextCoverage all = text::RenderText(font, "Clip", Rect(-1000, -1000, 1000, 1000));
    const text::TextCoverage part = text::RenderText(font, "Clip", Rect(5, 10, 25, 20));
    ASSERT_GT(all.width, 0);
    EXPECT_GE(part.left, 5);
    EXPECT_GE(part.top, 10);
    EXPECT_LE(part.left + part.width, 25);
    EXPECT_LE(part.top + part.height, 20);
    for (int32_t y = 0; y < part.height; ++y)
        for (int32_t x = 0; x < part.width; ++x)
            ASSERT_EQ(part.At(x, y), all.At(part.left + x - all.left, part.top + y - all.top)) << x << "," << y;
}

}  // namespace
}  // namespace lumarix
