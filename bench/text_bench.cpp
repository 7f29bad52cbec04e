// SuperTextOut of one 40-character line at 12 and 48 points, beside the surface's own TextOut
// (no supersampling), the Fast layer and memcpy of the same destination area. Mpix/s counts
// destination pixels of the text area (half the extent at twice the size).
#include <lumarix/Lumarix.h>
#include <lumarix/Lumarixetcs.h>

#include <benchmark/benchmark.h>

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
BENCHMARK(BM_MemcpyTextArea)->Arg(12)->Arg(48);

}  // namespace
