// The blits' row kernels on a picture that stays in the second-level cache (1920 x 32 pixels,
// source and destination), at the level LUMARIX_ISA leaves: what the arithmetic costs once the
// memory no longer limits it. The whole-picture rows of blits_bench.cpp are what a caller sees.
#include "blits/blit_kernels.h"
#include "simd/cpu.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using namespace lumarix::blits;

constexpr int kWidth = 1920, kRows = 32;

void BM_BlitRow(benchmark::State& state, AlphaRow RowKernels::*row, uint32_t alpha) {
    std::vector<uint8_t> s(size_t(kWidth) * kRows * 4), d(s.size());
    std::mt19937 rng(1);
    for (auto& x : s) {
        const uint32_t r = rng();
        x = (r & 3) == 0 ? 0 : (r & 3) == 1 ? 255 : uint8_t(r >> 8);
    }
    for (auto& x : d) x = uint8_t(rng());
    const AlphaRow kernel = best_kernels().*row;
    for (auto _ : state) {
        for (int y = 0; y < kRows; ++y) kernel(d.data() + size_t(y) * kWidth * 4, s.data() + size_t(y) * kWidth * 4, kWidth, alpha);
        benchmark::ClobberMemory();
    }
    state.SetLabel(lumarix::simd::level_name(lumarix::simd::active_level()));
    state.counters["Mpix/s"] =
        benchmark::Counter(double(kWidth) * kRows * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(BM_BlitRow, alpha128, &RowKernels::alpha, 128);
BENCHMARK_CAPTURE(BM_BlitRow, pic_bgr, &RowKernels::pic_bgr, 0);
BENCHMARK_CAPTURE(BM_BlitRow, pic_alpha_bgr200, &RowKernels::pic_alpha_bgr, 200);
BENCHMARK_CAPTURE(BM_BlitRow, add_clamped256, &RowKernels::add_clamped, 256);
BENCHMARK_CAPTURE(BM_BlitRow, add_clamped128, &RowKernels::add_clamped, 128);
BENCHMARK_CAPTURE(BM_BlitRow, sub_clamped256, &RowKernels::sub_clamped, 256);

}  // namespace
