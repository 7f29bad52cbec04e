// The streaming limit and the bitmap basics: memcpy of a 32-bit picture (the figure every other
// benchmark is compared with), FillBMP, the 24-to-32-bit and 24-to-8-bit format conversions, and
// a line far longer than the surface it crosses.
//
// Mpix/s counts the picture's pixels per second; GB/s counts the bytes of the 32-bit picture
// written per second (for memcpy that is the bytes copied).
#include <lumarix/Lumarix.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace lumarix;

void SetCounters(benchmark::State& state, int64_t width, int64_t height) {
    const double pixels = double(width * height);
    state.counters["Mpix/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["GB/s"] = benchmark::Counter(pixels * 4 / 1e9, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Memcpy32(benchmark::State& state) {
    const int64_t w = state.range(0), h = state.range(1);
    const size_t bytes = size_t(w * h * 4);
    std::vector<uint8_t> src(bytes, 0x5A), dst(bytes, 0);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, w, h);
}

void BM_FillBMP(benchmark::State& state) {
    const int32_t w = int32_t(state.range(0)), h = int32_t(state.range(1));
    TLumarix b;
    b.SetSize(w, h);
    uint8_t shade = 0;
    for (auto _ : state) {
        b.FillBMP(shade, 128, 255);
        ++shade;
        benchmark::DoNotOptimize(b.ScanLine(0));
        benchmark::ClobberMemory();
    }
    SetCounters(state, w, h);
}

// Each conversion starts from a fresh 24-bit copy; the copy is left out of the timing.
void BM_SetPixelFormat24To32(benchmark::State& state) {
    const int32_t w = int32_t(state.range(0)), h = int32_t(state.range(1));
    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t i = 0; i < 3 * w; ++i) source.ScanLine(y)[i] = uint8_t(i * 7 + y);
    TBitmap work;
    for (auto _ : state) {
        state.PauseTiming();
        work.Assign(source);
        state.ResumeTiming();
        work.SetPixelFormat(TPixelFormat::pf32bit);
        benchmark::DoNotOptimize(work.ScanLine(0));
    }
    SetCounters(state, w, h);
}

// A photograph's statistics: smooth shading with fine grain, so that most pixels differ from
// their neighbours by a few levels and the picture holds hundreds of thousands of colours.
// Converted to 8 bits against a palette of 256 scattered colours.
void BM_SetPixelFormat24To8(benchmark::State& state) {
    const int32_t w = int32_t(state.range(0)), h = int32_t(state.range(1));
    std::mt19937 rng(1);
    TBitmap source;
    TPalette palette;
    for (auto& e : palette) e = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    source.SetPalette(palette);
    source.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const double shade = 128 + 90 * std::sin(x * (0.004 + 0.002 * c) + y * 0.003 * c) * std::cos(y * 0.005);
                source.ScanLine(y)[3 * x + c] = uint8_t(std::clamp(int(shade) + int(rng() % 9) - 4, 0, 255));
            }
    TBitmap work;
    for (auto _ : state) {
        state.PauseTiming();
        work.Assign(source);
        state.ResumeTiming();
        work.SetPixelFormat(TPixelFormat::pf8bit);
        benchmark::DoNotOptimize(work.ScanLine(0));
    }
    SetCounters(state, w, h);
}

// A line four billion pixels long across a 200 x 11 surface.
void BM_LineToFarOff(benchmark::State& state) {
    TLumarix b;
    b.SetSize(200, 11);
    for (auto _ : state) {
        b.Canvas().MoveTo(-2000000000, -5);
        b.Canvas().LineTo(2000000000, 5);
        benchmark::DoNotOptimize(b.ScanLine(0));
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({4096, 4096})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_Memcpy32)->Apply(Sizes);
BENCHMARK(BM_FillBMP)->Apply(Sizes);
BENCHMARK(BM_SetPixelFormat24To32)->Apply(Sizes);
BENCHMARK(BM_SetPixelFormat24To8)->Args({2048, 2048})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineToFarOff)->Unit(benchmark::kMicrosecond);
