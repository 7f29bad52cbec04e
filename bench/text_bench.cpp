// SuperTextOut of one 40-character line at 12 and 48 points, beside the surface's own TextOut
// (no supersampling), StdTextOutFast, the Fast layer, memcpy of the same destination area and
// the peer, cairo_show_text with the same face (DejaVu Sans through FreeType and Fontconfig) at
// the same em height, anti-aliased grey. Mpix/s counts destination pixels of the text area
// (half the extent at twice the size).
#include <lumarix/Lumarix.h>
#include <lumarix/Lumarixetcs.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstring>
#include <vector>

namespace {

using namespace lumarix;

const std::string kLine = "The quick brown fox jumps over lazy dogs";  // 40 characters

TFont BenchFont(int32_t size) {
    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = size;
    font.Color = 0x204080;
    return font;
}

// The destination area SuperTextOut writes for the line.
TSize TextArea(int32_t size) {
    TBitmap probe;
    probe.Canvas().Font = BenchFont(2 * size);
    const TSize e = probe.Canvas().TextExtent(kLine);
    return TSize{e.cx / 2, e.cy / 2};
}

void SetPixels(benchmark::State& state, TSize area) {
    state.counters["Mpix/s"] =
        benchmark::Counter(double(area.cx) * area.cy / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

template <typename Draw>
void RunText(benchmark::State& state, Draw draw) {
    const int32_t size = int32_t(state.range(0));
    const TSize area = TextArea(size);
    TLumarix dest;
    dest.SetSize(area.cx + 8, area.cy + 8);
    dest.FillBMP(240, 240, 240);
    const TFont font = BenchFont(size);
    for (auto _ : state) {
        draw(dest, font);
        benchmark::ClobberMemory();
    }
    SetPixels(state, area);
}

void BM_SuperTextOut(benchmark::State& state) {
    RunText(state, [](TLumarix& dest, const TFont& font) { SuperTextOut(dest, 0, 0, font, kLine); });
}

void BM_SuperTextOutFast_Layer(benchmark::State& state) {
    RunText(state, [](TLumarix& dest, const TFont& font) { SuperTextOutFast_Layer(dest, 0, 0, font, kLine); });
}

void BM_CanvasTextOut(benchmark::State& state) {
    RunText(state, [](TLumarix& dest, const TFont& font) {
        dest.Canvas().Brush.Style = TBrushStyle::bsClear;
        dest.Canvas().Font = font;
        dest.Canvas().TextOut(0, 0, kLine);
    });
}

void BM_StdTextOutFast(benchmark::State& state) {
    RunText(state, [](TLumarix& dest, const TFont& font) { StdTextOutFast(0, 0, 0, kLine, font, clWhite, dest.Canvas()); });
}

void BM_CairoShowText(benchmark::State& state) {
    const int32_t size = int32_t(state.range(0));
    const TSize area = TextArea(size);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, area.cx + 8, area.cy + 8);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 240 / 255.0, 240 / 255.0, 240 / 255.0);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, double(size) * 96 / 72);  // the library's em height in pixels
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_set_source_rgb(cr, 0x80 / 255.0, 0x40 / 255.0, 0x20 / 255.0);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    for (auto _ : state) {
        cairo_move_to(cr, 0, extents.ascent);
        cairo_show_text(cr, kLine.c_str());
        cairo_surface_flush(surface);
        benchmark::ClobberMemory();
    }
    cairo_font_options_destroy(options);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    SetPixels(state, area);
}

void BM_MemcpyTextArea(benchmark::State& state) {
    const TSize area = TextArea(int32_t(state.range(0)));
    const size_t bytes = size_t(area.cx) * area.cy * 4;
    std::vector<uint8_t> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    SetPixels(state, area);
}

BENCHMARK(BM_SuperTextOut)->Arg(12)->Arg(48);
BENCHMARK(BM_SuperTextOutFast_Layer)->Arg(12)->Arg(48);
BENCHMARK(BM_CanvasTextOut)->Arg(12)->Arg(48);
BENCHMARK(BM_StdTextOutFast)->Arg(12)->Arg(48);
BENCHMARK(BM_CairoShowText)->Arg(12)->Arg(48);
BENCHMARK(BM_MemcpyTextArea)->Arg(12)->Arg(48);

}  // namespace
