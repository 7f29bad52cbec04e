// The blits over whole pictures of 1920x1080 and 4096x4096 pixels, beside memcpy of the same
// picture and the closest peer operations in the same run:
//   constant alpha      pixman OVER, a8r8g8b8 source with a solid alpha mask; OpenCV addWeighted
//   per-pixel alpha     pixman OVER with a premultiplied a8r8g8b8 source
//   rectangle fill      pixman OVER of a translucent solid colour
//   add / subtract      pixman ADD; OpenCV add and subtract
// Every figure is in the counter Mpix/s (destination pixels per second, in millions).
#include <lumarix/Lumarix.h>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <pixman.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

using lumarix::TBitmap;
using lumarix::TLumarix;

struct Pictures {
    int w, h;
    TLumarix src, dest;
    TBitmap map;
    std::vector<uint32_t> premultiplied;  // the source as pixman's premultiplied a8r8g8b8
};

uint8_t biased(std::mt19937& rng) {
    const uint32_t r = rng();
    return (r & 3) == 0 ? 0 : (r & 3) == 1 ? 255 : uint8_t(r >> 8);
}

Pictures& pictures(int w, int h) {
    static std::map<std::pair<int, int>, std::unique_ptr<Pictures>> cache;
    auto& slot = cache[{w, h}];
    if (!slot) {
        slot = std::make_unique<Pictures>();
        Pictures& p = *slot;
        p.w = w, p.h = h;
        p.src.SetSize(w, h);
        p.dest.SetSize(w, h);
        p.map.SetPixelFormat(lumarix::TPixelFormat::pf8bit);
        p.map.SetSize(w, h);
        std::mt19937 rng(1);
        for (int y = 0; y < h; ++y) {
            uint8_t* s = p.src.ScanLine(y);
            uint8_t* d = p.dest.ScanLine(y);
            uint8_t* m = p.map.ScanLine(y);
            for (int i = 0; i < 4 * w; ++i) s[i] = biased(rng), d[i] = uint8_t(rng());
            for (int x = 0; x < w; ++x) m[x] = uint8_t(rng());
        }
        p.premultiplied.resize(size_t(w) * size_t(h));
        const uint8_t* s = p.src.ScanLine(0);
        for (size_t i = 0; i < p.premultiplied.size(); ++i, s += 4) {
            const uint32_t a = 255 - s[3];  // our fourth byte is transparency, pixman's alpha opacity
            const uint32_t b = s[0] * a / 255, g = s[1] * a / 255, r = s[2] * a / 255;
            p.premultiplied[i] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return *slot;
}

uint32_t* pixels(TBitmap& b) { return reinterpret_cast<uint32_t*>(b.ScanLine(0)); }

void set_rate(benchmark::State& state, const Pictures& p) {
    state.counters["Mpix/s"] =
        benchmark::Counter(double(p.w) * p.h * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

using Body = std::function<void(Pictures&)>;

void add(const std::string& name, Body body) {
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{4096, 4096}}) {
        benchmark::RegisterBenchmark((name + "/" + std::to_string(w) + "x" + std::to_string(h)).c_str(),
                                     [body, w = w, h = h](benchmark::State& state) {
                                         Pictures& p = pictures(w, h);
                                         for (auto _ : state) {
                                             body(p);
                                             benchmark::ClobberMemory();
                                         }
                                         set_rate(state, p);
                                     })
            ->Unit(benchmark::kMicrosecond);
    }
}

// ==== pixman and OpenCV peers ===================================================================

pixman_image_t* wrap(uint32_t* bits, const Pictures& p) {
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, p.w, p.h, bits, p.w * 4);
}

void pixman_composite(pixman_op_t op, pixman_image_t* src, pixman_image_t* mask, Pictures& p) {
    pixman_image_t* dst = wrap(pixels(p.dest), p);
    pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, p.w, p.h);
    pixman_image_unref(dst);
}

cv::Mat mat(TBitmap& b, const Pictures& p) { return cv::Mat(p.h, p.w, CV_8UC4, b.ScanLine(0)); }

const int kRegistered = [] {
    using L = TLumarix;
    // ---- baselines and peers
    add("memcpy", [](Pictures& p) { std::memcpy(pixels(p.dest), pixels(p.src), size_t(p.w) * p.h * 4); });
    add("pixman_OVER_solid_mask", [](Pictures& p) {
        const pixman_color_t half = {0, 0, 0, 0x8000};
        pixman_image_t* src = wrap(pixels(p.src), p);
        pixman_image_t* mask = pixman_image_create_solid_fill(&half);
        pixman_composite(PIXMAN_OP_OVER, src, mask, p);
        pixman_image_unref(mask);
        pixman_image_unref(src);
    });
    add("pixman_OVER_premultiplied", [](Pictures& p) {
        pixman_image_t* src = wrap(p.premultiplied.data(), p);
        pixman_composite(PIXMAN_OP_OVER, src, nullptr, p);
        pixman_image_unref(src);
    });
    add("pixman_OVER_solid", [](Pictures& p) {
        const pixman_color_t colour = {0x2000, 0x4000, 0x6000, 0x8000};
        pixman_image_t* src = pixman_image_create_solid_fill(&colour);
        pixman_composite(PIXMAN_OP_OVER, src, nullptr, p);
        pixman_image_unref(src);
    });
    add("pixman_ADD", [](Pictures& p) {
        pixman_image_t* src = wrap(pixels(p.src), p);
        pixman_composite(PIXMAN_OP_ADD, src, nullptr, p);
        pixman_image_unref(src);
    });
    add("opencv_addWeighted", [](Pictures& p) {
        cv::Mat d = mat(p.dest, p);
        cv::addWeighted(mat(p.src, p), 0.5, d, 0.5, 0.0, d);
    });
    add("opencv_add", [](Pictures& p) {
        cv::Mat d = mat(p.dest, p);
        cv::add(mat(p.src, p), d, d);
    });
    add("opencv_subtract", [](Pictures& p) {
        cv::Mat d = mat(p.dest, p);
        cv::subtract(d, mat(p.src, p), d);
    });

    // ---- colour key and constant alpha (alpha 128)
    add("ColorKey", [](Pictures& p) { p.src.ColorKey(0, 0, p.w, p.h, 0, 0, p.dest, 0x808080); });
    add("ColorAlpha", [](Pictures& p) { p.src.ColorAlpha(0, 0, p.w, p.h, 0, 0, p.dest, 128); });
    add("ColorAlphaMMX", [](Pictures& p) { p.src.ColorAlphaMMX(0, 0, p.w, p.h, 0, 0, p.dest, 128); });
    add("ColorAlphaMMX64", [](Pictures& p) { p.src.ColorAlphaMMX64(0, 0, p.w, p.h, 0, 0, p.dest, 128); });
    add("ColorAlphaSSE2_64", [](Pictures& p) { p.src.ColorAlphaSSE2_64(0, 0, p.w, p.h, 0, 0, p.dest, 128); });
    add("ColorKeyAlpha", [](Pictures& p) { p.src.ColorKeyAlpha(0, 0, p.w, p.h, 0, 0, p.dest, 0x808080, 128); });
    add("ColorKeyAlphaMMX",
        [](Pictures& p) { p.src.ColorKeyAlphaMMX(0, 0, p.w, p.h, 0, 0, p.dest, 0x808080, 128); });

    // ---- per-pixel alpha (constant alpha 200, transitions at progress 128, softness 4)
    using Pic = void (L::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, TBitmap&);
    for (auto [name, m] : {std::pair<const char*, Pic>{"ColorAlphaPic", &L::ColorAlphaPic},
                           {"ColorAlphaPicMMX", &L::ColorAlphaPicMMX},
                           {"ColorAlphaPicCh", &L::ColorAlphaPicCh},
                           {"ColorAlphaPicChMMX", &L::ColorAlphaPicChMMX}})
        add(name, [m = m](Pictures& p) { (p.src.*m)(0, 0, p.w, p.h, 0, 0, p.dest); });
    using PicA = void (L::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, TBitmap&, uint16_t);
    for (auto [name, m] : {std::pair<const char*, PicA>{"ColorAlphaPicAlpha", &L::ColorAlphaPicAlpha},
                           {"ColorAlphaPicAlphaMMX", &L::ColorAlphaPicAlphaMMX},
                           {"ColorAlphaPicAlphaCh", &L::ColorAlphaPicAlphaCh},
                           {"ColorAlphaPicAlphaChMMX", &L::ColorAlphaPicAlphaChMMX},
                           {"CopyAlpha32", &L::CopyAlpha32}})
        add(name, [m = m](Pictures& p) { (p.src.*m)(0, 0, p.w, p.h, 0, 0, p.dest, 200); });
    using Trans = void (L::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, TBitmap&, TBitmap&, uint16_t,
                              uint16_t);
    for (auto [name, m] : {std::pair<const char*, Trans>{"ColorAlphaPicTrans", &L::ColorAlphaPicTrans},
                           {"ColorAlphaPicTransMMX", &L::ColorAlphaPicTransMMX},
                           {"ColorAlphaPicAlphaTrans", &L::ColorAlphaPicAlphaTrans},
                           {"ColorAlphaPicAlphaTransMMX", &L::ColorAlphaPicAlphaTransMMX}})
        add(name, [m = m](Pictures& p) { (p.src.*m)(0, 0, p.w, p.h, 0, 0, p.map, p.dest, 128, 4); });

    // ---- rectangle fill (alpha 128), add and subtract (level 256: the whole source, as
    // OpenCV's add; level 128: half of it)
    add("RectAngleAlpha", [](Pictures& p) { p.dest.RectAngleAlpha(0, 0, p.w, p.h, 0x204060, 128); });
    add("RectAngleAlphaMMX", [](Pictures& p) { p.dest.RectAngleAlphaMMX(0, 0, p.w, p.h, 0x204060, 128); });
    using Light = PicA;
    for (auto [name, m] : {std::pair<const char*, Light>{"ColorAdd", &L::ColorAdd},
                           {"ColorAddMMX", &L::ColorAddMMX},
                           {"ColorSub", &L::ColorSub},
                           {"ColorSubMMX", &L::ColorSubMMX}}) {
        add(std::string(name) + "_level256", [m = m](Pictures& p) { (p.src.*m)(0, 0, p.w, p.h, 0, 0, p.dest, 256); });
        add(std::string(name) + "_level128", [m = m](Pictures& p) { (p.src.*m)(0, 0, p.w, p.h, 0, 0, p.dest, 128); });
    }
    return 0;
}();

}  // namespace
