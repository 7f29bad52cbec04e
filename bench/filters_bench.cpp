// Colour and geometric filters on a 1920x1080 picture beside their nearest OpenCV (one thread,
// CV_8UC4) and pixman counterparts, with memcpy of the same picture, in one run. Every figure is
// picture pixels per second ("Mpix/s"). The library's filters work in place; the peers write a
// second picture where their API asks for one.
#include <lumarix/Lumarixfilters32.h>

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>
#include <pixman.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

using namespace lumarix;

namespace {

constexpr int kW = 1920, kH = 1080;

std::unique_ptr<TBitmap> random_bitmap(uint32_t seed) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(TPixelFormat::pf32bit);
    b->SetSize(kW, kH);
    std::mt19937 rng(seed);
    for (int y = 0; y < kH; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(b->ScanLine(y));
        for (int x = 0; x < kW; ++x) row[x] = rng();
    }
    return b;
}

cv::Mat random_mat(uint32_t seed) {
    cv::Mat m(kH, kW, CV_8UC4);
    std::mt19937 rng(seed);
    for (int y = 0; y < kH; ++y) {
        auto* row = m.ptr<uint32_t>(y);
        for (int x = 0; x < kW; ++x) row[x] = rng();
    }
    return m;
}

void set_rate(benchmark::State& state) {
    state.counters["Mpix/s"] = benchmark::Counter(double(kW) * kH / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

template <typename Fn>
void run_in_place(benchmark::State& state, Fn fn) {
    auto b = random_bitmap(1);
    for (auto _ : state) {
        fn(*b);
        benchmark::ClobberMemory();
    }
    set_rate(state);
}

template <typename Fn>
void run_cv(benchmark::State& state, Fn fn) {
    cv::Mat src = random_mat(1), dst = random_mat(2);
    for (auto _ : state) {
        fn(src, dst);
        benchmark::ClobberMemory();
    }
    set_rate(state);
}

// ==== Reference =================================================================================

void BM_memcpy(benchmark::State& state) {
    std::vector<uint32_t> a(size_t(kW) * kH, 1), b(size_t(kW) * kH);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::ClobberMemory();
    }
    set_rate(state);
}
BENCHMARK(BM_memcpy);

// ==== Colour filters ============================================================================

void BM_Nega32(benchmark::State& s) { run_in_place(s, [](TBitmap& b) { Nega32(0, 0, kW, kH, b); }); }
void BM_cv_bitwise_xor(benchmark::State& s) {
    run_cv(s, [](cv::Mat& src, cv::Mat&) { cv::bitwise_xor(src, cv::Scalar(255, 255, 255, 0), src); });
}
BENCHMARK(BM_Nega32);
BENCHMARK(BM_cv_bitwise_xor);

void BM_xDivide32(benchmark::State& s) {
    const int levels = int(s.range(0));
    run_in_place(s, [levels](TBitmap& b) { xDivide32(b, 0, 0, kW, kH, levels); });
}
void BM_cv_LUT(benchmark::State& s) {
    const int step = 256 / int(s.range(0));
    cv::Mat lut(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i) lut.at<uint8_t>(i) = uint8_t(i / step * step);
    run_cv(s, [&lut](cv::Mat& src, cv::Mat&) { cv::LUT(src, lut, src); });
}
BENCHMARK(BM_xDivide32)->Arg(3)->Arg(4);
BENCHMARK(BM_cv_LUT)->Arg(3)->Arg(4);

void BM_MonoYUV(benchmark::State& s) { run_in_place(s, [](TBitmap& b) { MonoYUV(b); }); }
void BM_cv_cvtColor_BGRA2GRAY(benchmark::State& s) {
    cv::Mat grey(kH, kW, CV_8U);
    run_cv(s, [&grey](cv::Mat& src, cv::Mat&) { cv::cvtColor(src, grey, cv::COLOR_BGRA2GRAY); });
}
BENCHMARK(BM_MonoYUV);
BENCHMARK(BM_cv_cvtColor_BGRA2GRAY);

// ==== Blur ======================================================================================

void BM_Blur32(benchmark::State& s) {
    const int radius = int(s.range(0));
    run_in_place(s, [radius](TBitmap& b) { Blur32(b, radius); });
}
void BM_cv_blur(benchmark::State& s) {
    const int size = 2 * int(s.range(0)) + 1;
    run_cv(s, [size](cv::Mat& src, cv::Mat& dst) { cv::blur(src, dst, cv::Size(size, size)); });
}
BENCHMARK(BM_Blur32)->Arg(1)->Arg(4)->Arg(8);
// A two-pixel-wide strip of the given height at the given radius: the cost must follow the
// strip's size, not the radius (a rate in strip pixels per second).
void BM_Blur32_strip(benchmark::State& s) {
    const int height = int(s.range(0)), radius = int(s.range(1));
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf32bit);
    b.SetSize(2, height);
    std::mt19937 rng(3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 2; ++x) reinterpret_cast<uint32_t*>(b.ScanLine(y))[x] = rng();
    for (auto _ : s) {
        Blur32(b, radius);
        benchmark::ClobberMemory();
    }
    s.counters["Mpix/s"] = benchmark::Counter(2.0 * height / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Blur32_strip)->Args({40000, 400})->Args({40000, 4000})->Args({40000, 40000})->Args({400000, 400000});
BENCHMARK(BM_cv_blur)->Arg(1)->Arg(4)->Arg(8);

// ==== Rotation ==================================================================================

void BM_Rotate32A(benchmark::State& s) {
    auto src = random_bitmap(1), dst = random_bitmap(2);
    for (auto _ : s) {
        Rotate32A(*src, *dst, 30);
        benchmark::ClobberMemory();
    }
    set_rate(s);
}
void BM_cv_warpAffine_nearest(benchmark::State& s) {
    const cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(kW / 2, kH / 2), -30, 1.0);
    run_cv(s, [&m](cv::Mat& src, cv::Mat& dst) {
        cv::warpAffine(src, dst, m, dst.size(), cv::INTER_NEAREST, cv::BORDER_TRANSPARENT);
    });
}
void BM_pixman_rotate_nearest(benchmark::State& s) {
    cv::Mat src = random_mat(1), dst = random_mat(2);
    pixman_image_t* si = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, src.ptr<uint32_t>(), int(src.step));
    pixman_image_t* di = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, dst.ptr<uint32_t>(), int(dst.step));
    // Destination point p samples the source at centre + R(-30 degrees) (p - centre).
    pixman_transform_t t;
    pixman_transform_init_translate(&t, pixman_int_to_fixed(kW / 2), pixman_int_to_fixed(kH / 2));
    pixman_transform_rotate(&t, nullptr, pixman_double_to_fixed(std::cos(M_PI / 6)), pixman_double_to_fixed(-0.5));
    pixman_transform_translate(&t, nullptr, pixman_int_to_fixed(-kW / 2), pixman_int_to_fixed(-kH / 2));
    pixman_image_set_transform(si, &t);
    pixman_image_set_filter(si, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (auto _ : s) {
        pixman_image_composite32(PIXMAN_OP_SRC, si, nullptr, di, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(si);
    pixman_image_unref(di);
    set_rate(s);
}
BENCHMARK(BM_Rotate32A);
BENCHMARK(BM_cv_warpAffine_nearest);
BENCHMARK(BM_pixman_rotate_nearest);

// ==== Flips =====================================================================================

void BM_ChangeTopBottom(benchmark::State& s) { run_in_place(s, [](TBitmap& b) { ChangeTopBottom(b); }); }
void BM_Mirror(benchmark::State& s) { run_in_place(s, [](TBitmap& b) { Mirror(b); }); }
void BM_cv_flip(benchmark::State& s) {
    const int code = int(s.range(0));
    run_cv(s, [code](cv::Mat& src, cv::Mat& dst) { cv::flip(src, dst, code); });
}
BENCHMARK(BM_ChangeTopBottom);
BENCHMARK(BM_Mirror);
BENCHMARK(BM_cv_flip)->Arg(0)->Arg(1);

}  // namespace
