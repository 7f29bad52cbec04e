// The sample walks of SuperTextOut, SuperTextOut_Layer and SuperTextOutFast_Layer, over the row
// kernels of text_kernels.h. Weights are on a scale of 256 with a truncating shift and no
// rounding term, so white ink on black reaches 254 and black ink on white reaches 0.
#include "text/super_sample.h"

#include "text/text_kernels.h"

#include <algorithm>
#include <vector>

namespace lumarix::text {
namespace {

bool Is32(const TBitmap& bitmap) { return bitmap.PixelFormat() == TPixelFormat::pf32bit; }

// The destination pixels (i, j) of the text area that a walk may touch: i in [i0, i1), j in
// [j0, j1), all inside the bitmap.
struct Span {
    int64_t i0 = 0, i1 = 0, j0 = 0, j1 = 0;
    bool Empty() const { return i0 >= i1 || j0 >= j1; }
};

Span VisibleSpan(SampleWalk walk, const TBitmap& dest, int32_t x, int32_t y, int64_t w, int64_t h) {
    // Blend clips at the right and bottom first; every walk then skips columns outside, and
    // the layer walks never get past a row outside (ScanLine refuses it).
    if (walk == SampleWalk::Blend) {
        w = std::min<int64_t>(w, int64_t(dest.Width()) - x);
        h = std::min<int64_t>(h, int64_t(dest.Height()) - y);
    }
    Span s;
    s.i0 = std::max<int64_t>(0, -int64_t(x));
    s.i1 = std::min<int64_t>(w, int64_t(dest.Width()) - x);
    s.j0 = std::max<int64_t>(0, -int64_t(y));
    s.j1 = std::min<int64_t>(h, int64_t(dest.Height()) - y);
    return s;
}

int32_t Narrow(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

uint32_t Packed(TextRgb c) { return uint32_t(c.blue) | uint32_t(c.green) << 8 | uint32_t(c.red) << 16; }

// The reduced coverage of one destination row; reused by the calls of each thread.
std::vector<uint8_t>& RowScratch(size_t n) {
    thread_local std::vector<uint8_t> row;
    if (row.size() < n) row.resize(n);
    return row;
}

// The walks over a sample bitmap: its blue bytes turned into coverage for the samples read.
void WalkBitmap(SampleWalk walk, const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t w, int32_t h,
                TextRgb colour) {
    const TRect need = SamplesRead(walk, dest, x, y, w, h);
    std::vector<uint8_t> coverage;
    SampleGrid grid;
    if (need.Left < need.Right && need.Top < need.Bottom) {
        const int64_t width = int64_t(need.Right) - need.Left, height = int64_t(need.Bottom) - need.Top;
        coverage.resize(size_t(width * height));
        for (int64_t r = 0; r < height; ++r) {
            const uint8_t* src = samples.ScanLine(int32_t(need.Top + r)) + 4 * int64_t(need.Left);
            for (int64_t c = 0; c < width; ++c) coverage[size_t(r * width + c)] = uint8_t(255 - src[4 * c]);
        }
        grid = SampleGrid{coverage.data(), width, need.Left, need.Top};
    }
    WalkSamples(walk, grid, dest, x, y, w, h, colour);
}

}  // namespace

TextRgb ResolveTextColor(TColor color) {
    const uint32_t rgb = uint32_t(ColorToRGB(color));
    return TextRgb{uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16)};
}

TRect SamplesRead(SampleWalk walk, const TBitmap& dest, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!Is32(dest) || w <= 0 || h <= 0) return {};
    const Span s = VisibleSpan(walk, dest, x, y, w, h);
    if (s.Empty()) return {};
    if (walk == SampleWalk::FastLayer) return Rect(Narrow(s.i0), Narrow(s.j0), Narrow(s.i1), Narrow(s.j1));
    return Rect(Narrow(2 * s.i0), Narrow(2 * s.j0 + 1), Narrow(2 * s.i1), Narrow(2 * s.j1 + 1));
}

void WalkSamples(SampleWalk walk, const SampleGrid& grid, TBitmap& dest, int32_t x, int32_t y, int32_t w,
                 int32_t h, TextRgb colour) {
    if (!Is32(dest) || w <= 0 || h <= 0) return;
    const Span s = VisibleSpan(walk, dest, x, y, w, h);
    const TextKernels& k = best_text_kernels();
    const uint32_t packed = Packed(colour);
    const int32_t n = int32_t(std::max<int64_t>(0, s.i1 - s.i0));
    auto sampleRow = [&](int64_t sy, int64_t sx) { return grid.coverage + (sy - grid.top) * grid.stride + (sx - grid.left); };

    if (walk == SampleWalk::Blend) {
        if (s.Empty()) return;
        uint8_t* reduced = RowScratch(size_t(n)).data();
        for (int64_t j = s.j0; j < s.j1; ++j) {
            k.reduce(sampleRow(2 * j + 1, 2 * s.i0), sampleRow(2 * j + 2, 2 * s.i0), reduced, n);
            k.super_blend(reduced, dest.ScanLine(int32_t(y + j)) + 4 * (x + s.i0), n, packed);
        }
        return;
    }
    // The layer walks fetch every row of the area, in order, so that the first one outside the
    // bitmap ends the drawing with ScanLine's error; the rows before it lie inside.
    uint8_t* reduced = walk == SampleWalk::Layer && n > 0 ? RowScratch(size_t(n)).data() : nullptr;
    for (int64_t j = 0; j < h; ++j) {
        uint8_t* row = dest.ScanLine(Narrow(int64_t(y) + j));
        if (n == 0) continue;
        if (walk == SampleWalk::Layer) {
            k.reduce(sampleRow(2 * j + 1, 2 * s.i0), sampleRow(2 * j + 2, 2 * s.i0), reduced, n);
            k.layer(reduced, row + 4 * (x + s.i0), n, packed);
        } else {
            k.fast_layer(sampleRow(j, s.i0), row + 4 * (x + s.i0), n, packed);
        }
    }
}

void SuperSampleBlend(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour) {
    if (!Is32(samples) || !Is32(dest)) return;
    int64_t width = hw, height = hh;
    if (int64_t(x) + width > dest.Width()) width = int64_t(dest.Width()) - x;
    if (int64_t(y) + height > dest.Height()) height = int64_t(dest.Height()) - y;
    if (width <= 0 || height <= 0) return;
    if (samples.Width() < 2 * width || samples.Height() < 2 * height + 1) return;
    WalkBitmap(SampleWalk::Blend, samples, dest, x, y, hw, hh, colour);
}

void SuperSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour) {
    if (!Is32(samples) || !Is32(dest) || hw <= 0 || hh <= 0) return;
    if (samples.Width() < 2 * int64_t(hw) || samples.Height() < 2 * int64_t(hh) + 1) return;
    WalkBitmap(SampleWalk::Layer, samples, dest, x, y, hw, hh, colour);
}

void FastSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t cx, int32_t cy,
                     TextRgb colour) {
    if (!Is32(samples) || !Is32(dest) || cx <= 0 || cy <= 0) return;
    if (samples.Width() < cx || samples.Height() < cy) return;
    WalkBitmap(SampleWalk::FastLayer, samples, dest, x, y, cx, cy, colour);
}

}  // namespace lumarix::text
