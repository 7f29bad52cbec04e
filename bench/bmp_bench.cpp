// BMP files in memory: the library's load (TBitmap::LoadFromStream) and save (SaveToStream)
// beside stb_image / stb_image_write on the same uncompressed 24- and 32-bit files.
//
// Both sides read from and write to memory: ours through a stream buffer laid over the bytes
// (no copy of its own), stb through stbi_load_from_memory and a write callback. Each side
// decodes at the file's own depth (stb with its native channel count). Mpix/s counts the
// picture's pixels per second.
#include <lumarix/Graphics.h>

#include <benchmark/benchmark.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <vector>

namespace {

using namespace lumarix;

/// A stream buffer over bytes held elsewhere: reads them as they are, writes into them.
class MemoryBuffer : public std::streambuf {
public:
    MemoryBuffer(uint8_t* data, size_t size) {
        char* p = reinterpret_cast<char*>(data);
        setg(p, p, p + size);
        setp(p, p + size);
    }

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
        char* at = dir == std::ios_base::beg ? eback() : dir == std::ios_base::cur ? gptr() : egptr();
        at += off;
        if (at < eback() || at > egptr()) return pos_type(off_type(-1));
        setg(eback(), at, egptr());
        return pos_type(at - eback());
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }
};

void SetCounters(benchmark::State& state, int64_t width, int64_t height) {
    state.counters["Mpix/s"] =
        benchmark::Counter(double(width * height) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

TPixelFormat format_of(int64_t bits) { return bits == 24 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit; }

/// A picture of the given size and depth with varied bytes.
void picture(TBitmap& b, int32_t w, int32_t h, TPixelFormat format) {
    b.SetPixelFormat(format);
    b.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int64_t i = 0; i < b.RowStride(); ++i) row[i] = uint8_t(i * 7 + y * 13);
    }
}

std::vector<uint8_t> encoded(int32_t w, int32_t h, TPixelFormat format) {
    TBitmap b;
    picture(b, w, h, format);
    std::vector<uint8_t> out(size_t(b.RowStride()) * size_t(b.Height()) + 4096);
    MemoryBuffer buf(out.data(), out.size());
    std::ostream os(&buf);
    b.SaveToStream(os);
    out.resize(size_t(out[2]) | size_t(out[3]) << 8 | size_t(out[4]) << 16 | size_t(out[5]) << 24);  // bfSize
    return out;
}

// Arguments: bits per pixel, width, height.
void BM_BmpLoad(benchmark::State& state) {
    const int32_t w = int32_t(state.range(1)), h = int32_t(state.range(2));
    std::vector<uint8_t> file = encoded(w, h, format_of(state.range(0)));
    for (auto _ : state) {
        MemoryBuffer buf(file.data(), file.size());
        std::istream in(&buf);
        TBitmap b;
        b.LoadFromStream(in);
        benchmark::DoNotOptimize(b.ScanLine(0));
    }
    SetCounters(state, w, h);
}

// The same through a std::istringstream, rewound for each load, as a caller holding the file in
// a string would read it.
void BM_BmpLoadStringStream(benchmark::State& state) {
    const int32_t w = int32_t(state.range(1)), h = int32_t(state.range(2));
    const std::vector<uint8_t> file = encoded(w, h, format_of(state.range(0)));
    std::istringstream in(std::string(file.begin(), file.end()));
    for (auto _ : state) {
        in.clear();
        in.seekg(0);
        TBitmap b;
        b.LoadFromStream(in);
        benchmark::DoNotOptimize(b.ScanLine(0));
    }
    SetCounters(state, w, h);
}

void BM_StbBmpLoad(benchmark::State& state) {
    const int32_t w = int32_t(state.range(1)), h = int32_t(state.range(2));
    std::vector<uint8_t> file = encoded(w, h, format_of(state.range(0)));
    for (auto _ : state) {
        int x = 0, y = 0, comp = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &x, &y, &comp, 0);
        if (!pixels || x != w || y != h) state.SkipWithError("stb could not read the file");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetCounters(state, w, h);
}

void BM_BmpSave(benchmark::State& state) {
    const int32_t w = int32_t(state.range(1)), h = int32_t(state.range(2));
    TBitmap b;
    picture(b, w, h, format_of(state.range(0)));
    std::vector<uint8_t> out(size_t(b.RowStride()) * size_t(h) + 4096);
    for (auto _ : state) {
        MemoryBuffer buf(out.data(), out.size());
        std::ostream os(&buf);
        b.SaveToStream(os);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, w, h);
}

struct Sink {
    uint8_t* at;
};

void BM_StbBmpSave(benchmark::State& state) {
    const int32_t w = int32_t(state.range(1)), h = int32_t(state.range(2));
    const int comp = int(state.range(0) / 8);
    // stb takes tightly packed top-down rows in red, green, blue(, alpha) order.
    std::vector<uint8_t> pixels(size_t(w) * size_t(h) * size_t(comp));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7);
    std::vector<uint8_t> out(pixels.size() + size_t(h) * 4 + 4096);
    for (auto _ : state) {
        Sink sink{out.data()};
        stbi_write_bmp_to_func(
            [](void* context, void* data, int size) {
                auto* s = static_cast<Sink*>(context);
                std::memcpy(s->at, data, size_t(size));
                s->at += size;
            },
            &sink, w, h, comp, pixels.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, w, h);
}

void Files(benchmark::internal::Benchmark* b) {
    for (int bits : {24, 32})
        for (int size : {1024, 4096}) b->Args({bits, size, size});
    b->ArgNames({"bits", "w", "h"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_BmpLoad)->Apply(Files);
BENCHMARK(BM_BmpLoadStringStream)->Apply(Files);
BENCHMARK(BM_StbBmpLoad)->Apply(Files);
BENCHMARK(BM_BmpSave)->Apply(Files);
BENCHMARK(BM_StbBmpSave)->Apply(Files);
