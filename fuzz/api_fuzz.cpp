// Fuzzes the library's whole public surface. The input becomes three bitmaps (0 to 71 pixels
// each way, 8, 24 or 32 bits, random pixels) and a sequence of calls whose arguments lean to the
// edges; any bitmap may stand in several roles of one call. Each call runs twice: first with
// the SIMD kernels capped at plain code, on copies, then at the processor's level (or one below)
// on the pool itself. Oracles, besides the sanitizers and libFuzzer's time and memory limits:
//   - the two runs leave identical bitmaps, raise the same error and give the same results;
//   - a call changes no byte outside the part of each bitmap it may write;
//   - where a call has a simple meaning (format conversion, copy, file round trip, clipping),
//     its result agrees with a plain model.
//
// The calls are decoded in api/*.cpp, one file per family; api/oracles.cpp holds the models.
#include "api/calls.h"

#include "filters/counter.h"
#include "simd/cpu.h"

#include <algorithm>
#include <sstream>
#include <vector>

// ==== A repeatable seed =========================================================================

// The noise filters and the jitter effects reseed from the performance counter. The fuzzer's
// own counter makes both runs of a call draw the same numbers; these definitions take the
// place of the platform's file of the static library.
namespace {
uint64_t g_counter = 0;
}

namespace lumarix::filters {
bool read_performance_counter(uint64_t& value) {
    value = g_counter;
    return (g_counter & 0xF) != 0;  // sometimes unreadable, so the tick count is used
}
uint32_t tick_count_ms() { return uint32_t(g_counter >> 4); }
}  // namespace lumarix::filters

namespace {

using namespace apifuzz;
using namespace lumarix;

struct Outcome {
    bool threw = false;
    std::string error;
    Outputs outputs;
    uint32_t randomState = 0;
};

Outcome RunOnce(Pool& pool, const Call& call, uint32_t randomState) {
    Outcome o;
    SetRandomState(randomState);
    try {
        call.run(pool, o.outputs);
    } catch (const EGraphicsError& e) {
        o.threw = true;
        o.error = e.what();
    }
    o.randomState = RandomState();
    return o;
}

Pool MakePool() {
    Pool p;
    for (auto& b : p) b = std::make_unique<TLumarix>();
    return p;
}

void CopyPool(const Pool& from, Pool& to) {
    for (int i = 0; i < kPoolSize; ++i) CopyBitmap(*from[i], *to[i]);
}

void Execute(Pool& pool, Pool& scratch, const Call& call, simd::Level level, uint32_t randomState) {
    const char* name = call.name.c_str();
    CopyPool(pool, scratch);
    simd::set_level_cap(simd::Level::plain);
    const Outcome plain = RunOnce(scratch, call, randomState);
    for (int i = 0; i < kPoolSize; ++i) CheckRegion(name, i, *pool[i], *scratch[i], call.regions[i]);
    if (call.check && !plain.threw) call.check(pool, scratch);

    simd::set_level_cap(level);
    const Outcome fast = RunOnce(pool, call, randomState);
    if (plain.threw != fast.threw || plain.error != fast.error) Fail(name, "error differs between SIMD levels");
    if (plain.outputs != fast.outputs) Fail(name, "results differ between SIMD levels");
    if (plain.randomState != fast.randomState) Fail(name, "random state differs between SIMD levels");
    for (int i = 0; i < kPoolSize; ++i) {
        int64_t x, y;
        if (const char* what = Difference(*scratch[i], *pool[i], x, y)) Fail(name, what, i, x, y);
    }
}


bool Matches(const char* pattern, const char* name) {
    if (*pattern == '*') return Matches(pattern + 1, name) || (*name && Matches(pattern, name + 1));
    return *pattern == *name && (*name == 0 || Matches(pattern + 1, name + 1));
}

// APIFUZZ_SKIP: a comma-separated list of call names not to run ("*" matches any run of
// characters), so that a campaign can go on past a known fault whose fix is pending.
bool Skipped(const std::string& name) {
    static const std::vector<std::string> skip = [] {
        std::vector<std::string> list;
        std::stringstream all(std::getenv("APIFUZZ_SKIP") ? std::getenv("APIFUZZ_SKIP") : "");
        for (std::string item; std::getline(all, item, ',');)
            if (!item.empty()) list.push_back(item);
        return list;
    }();
    return std::any_of(skip.begin(), skip.end(), [&](const std::string& item) { return Matches(item.c_str(), name.c_str()); });
}


}  // namespace


// Fontconfig keeps a few hundred bytes of its configuration, loaded once, unreachable at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// With ASan's default quarantine of 256 MB the pool's pictures, their copies and the palette
// tables of every conversion land on fresh pages, a third of a million page faults a minute.
// An input frees a few megabytes at most (pictures of a mebibyte and more are the library's own
// mappings), so 16 MB still catches a use after free within one input.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int kMaxCalls = 16;
    Input in(data, size);
    // The pools live as long as the process; a copy of a blank bitmap (picture, palette and
    // drawing surface state) starts every input from the same state as new ones would.
    static const Pool blank = MakePool();
    static Pool pool = MakePool();
    static Pool scratch = MakePool();
    CopyPool(blank, pool);
    FillPool(in, pool);
    g_counter = in.U32();
    const simd::Level top = simd::processor_level();
    Decoder decoder(in, pool);
    for (int i = 0; i < kMaxCalls && !in.Empty(); ++i) {
        // The processor's level or, on x86, a level below it down to SSE2.
        simd::Level level = top;
        if (level == simd::Level::avx512 && in.Flag()) level = simd::Level::avx2;
        if (level == simd::Level::avx2 && in.Flag()) level = simd::Level::sse2;
        const uint32_t randomState = in.U32();
        const Call call = decoder.Next();
        if (Skipped(call.name)) continue;
        if (Tracing()) {
            std::fprintf(stderr, "api fuzz: call %d: %s %s\n", i, call.name.c_str(), call.args.c_str());
            for (int k = 0; k < kPoolSize; ++k)
                std::fprintf(stderr, "  bitmap %d: %d x %d, %d bits\n", k, pool[size_t(k)]->Width(),
                             pool[size_t(k)]->Height(), TBitmap::BitsPerPixel(pool[size_t(k)]->PixelFormat()));
        }
        Execute(pool, scratch, call, level, randomState);
    }
    simd::set_level_cap(simd::environment_cap());
    return 0;
}

