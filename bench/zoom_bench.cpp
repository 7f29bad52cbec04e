// Zooms beside OpenCV resize (INTER_NEAREST, INTER_LINEAR, one thread, CV_8UC4) and pixman
// scaling (nearest, bilinear, PIXMAN_OP_SRC), with memcpy of the destination picture, in one run.
// Every figure is destination pixels per second ("Mpix/s").
#include <lumarix/Lumarixfilters32.h>

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>
#include <pixman.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace lumarix;

namespace {

struct Case {
    const char* name;
    int sw, sh, dw, dh;
};

const Case kCases[] = {
    {"960x540_to_1920x1080", 960, 540, 1920, 1080},
    {"2048x2048_to_4096x4096", 2048, 2048, 4096, 4096},
    {"4096x4096_to_1920x1080", 4096, 4096, 1920, 1080},
};

std::unique_ptr<TBitmap> random_bitmap(int w, int h, uint32_t seed) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(TPixelFormat::pf32bit);
    b->SetSize(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x) row[x] = rng();
    }
    return b;
}

void set_rate(benchmark::State& state, const Case& c) {
    state.counters["Mpix/s"] =
        benchmark::Counter(double(c.dw) * c.dh / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

using ZoomFn = std::function<void(const Case&, TBitmap&, TBitmap&)>;

void bench_zoom(benchmark::State& state, Case c, ZoomFn fn) {
    auto src = random_bitmap(c.sw, c.sh, 1), dst = random_bitmap(c.dw, c.dh, 2);
    for (auto _ : state) {
        fn(c, *src, *dst);
        benchmark::ClobberMemory();
    }
    set_rate(state, c);
}

#define ZOOM_CALL(fn, ...)                                                                  \
    [](const Case& c, TBitmap& s, TBitmap& d) {                                             \
        fn(0, 0, c.sw, c.sh, 0, 0, c.dw, c.dh, s, d __VA_ARGS__);                           \
    }

void bench_opencv(benchmark::State& state, Case c, int interpolation) {
    cv::Mat src(c.sh, c.sw, CV_8UC4), dst(c.dh, c.dw, CV_8UC4);
    cv::randu(src, cv::Scalar::all(0), cv::Scalar::all(255));
    for (auto _ : state) {
        cv::resize(src, dst, dst.size(), 0, 0, interpolation);
        benchmark::ClobberMemory();
    }
    set_rate(state, c);
}

void bench_pixman(benchmark::State& state, Case c, pixman_filter_t filter) {
    std::vector<uint32_t> sbits(size_t(c.sw) * c.sh), dbits(size_t(c.dw) * c.dh);
    std::mt19937 rng(3);
    for (auto& p : sbits) p = rng();
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, c.sw, c.sh, sbits.data(), c.sw * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, c.dw, c.dh, dbits.data(), c.dw * 4);
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(double(c.sw) / c.dw),
                                pixman_double_to_fixed(double(c.sh) / c.dh));
    pixman_image_set_transform(src, &t);
    pixman_image_set_filter(src, filter, nullptr, 0);
    pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, c.dw, c.dh);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    set_rate(state, c);
}

void bench_memcpy(benchmark::State& state, Case c) {
    std::vector<uint32_t> a(size_t(c.dw) * c.dh, 1), b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::ClobberMemory();
    }
    set_rate(state, c);
}

const bool kRegistered = [] {
    const std::pair<const char*, ZoomFn> zooms[] = {
        {"Saikin32", ZOOM_CALL(Stretch_ZoomIn_Saikin32)},
        {"Saikin32_masked", ZOOM_CALL(Stretch_ZoomIn_Saikin32_masked)},
        {"Saikin32_masked_Alpha", ZOOM_CALL(Stretch_ZoomIn_Saikin32_masked_Alpha, , 200u)},
        {"Saikin32_Alpha", ZOOM_CALL(Stretch_ZoomIn_Saikin32_Alpha, , uint16_t(200))},
        {"BiLinear32", ZOOM_CALL(Stretch_ZoomIn_BiLinear32)},
        {"BiLinearMMX32", ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32)},
        {"BiLinearMMX32_masked", ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32_masked)},
        {"BiLinearMMX32_masked_Alpha", ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32_masked_Alpha, , 200u)},
        {"BiLinearMMX32_alpha", ZOOM_CALL(Stretch_ZoomIn_BiLinearMMX32_alpha, , 200u)},
    };
    for (const Case& c : kCases) {
        const std::string suffix = std::string("/") + c.name;
        benchmark::RegisterBenchmark(("Zoom/memcpy" + suffix).c_str(), bench_memcpy, c)->Unit(benchmark::kMillisecond);
        for (const auto& [name, fn] : zooms)
            benchmark::RegisterBenchmark(("Zoom/" + std::string(name) + suffix).c_str(), bench_zoom, c, fn)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Zoom/opencv_nearest" + suffix).c_str(), bench_opencv, c, cv::INTER_NEAREST)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Zoom/opencv_linear" + suffix).c_str(), bench_opencv, c, cv::INTER_LINEAR)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Zoom/pixman_nearest" + suffix).c_str(), bench_pixman, c, PIXMAN_FILTER_NEAREST)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Zoom/pixman_bilinear" + suffix).c_str(), bench_pixman, c,
                                     PIXMAN_FILTER_BILINEAR)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
