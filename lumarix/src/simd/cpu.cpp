// Processor query and level cap. Kept free of SIMD compile flags so that this file runs on any
// processor (the compiler could otherwise emit instructions of the enabled set here too).
#include "simd/cpu.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace lumarix::simd {

namespace {

Features query() {
    Features f;
#if defined(LUMARIX_X86) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    f.mmx = __builtin_cpu_supports("mmx");
    f.sse2 = __builtin_cpu_supports("sse2");
    f.avx2 = __builtin_cpu_supports("avx2");
#endif
    return f;
}

Level detect() {
#if defined(LUMARIX_X86)
    const Features& f = processor_features();
    if (f.avx2) return Level::avx2;
    if (f.sse2) return Level::sse2;
#elif defined(LUMARIX_NEON)
    return Level::neon;
#endif
    return Level::plain;
}

Level parse_cap(const char* text) {
    if (text == nullptr) return Level::avx2;
    if (std::strcmp(text, "plain") == 0) return Level::plain;
    if (std::strcmp(text, "sse2") == 0) return Level::sse2;
    if (std::strcmp(text, "neon") == 0) return Level::neon;
    return Level::avx2;
}

bool is_x86(Level level) { return level == Level::sse2 || level == Level::avx2; }

// The processor's level limited by a cap; a cap of the other architecture's ladder is no cap.
Level capped(Level processor, Level cap) {
    if (cap == Level::plain) return Level::plain;
    if (is_x86(processor) && is_x86(cap)) return static_cast<int>(cap) < static_cast<int>(processor) ? cap : processor;
    return processor;
}

// -1 until the first query; afterwards the active level.
std::atomic<int> g_active{-1};

}  // namespace

const Features& processor_features() {
    static const Features features = query();
    return features;
}

Level processor_level() {
    static const Level level = detect();
    return level;
}

Level environment_cap() {
    static const Level cap = parse_cap(std::getenv("LUMARIX_ISA"));
    return cap;
}

Level active_level() {
    int level = g_active.load(std::memory_order_relaxed);
    if (level < 0) {
        level = static_cast<int>(capped(processor_level(), environment_cap()));
        g_active.store(level, std::memory_order_relaxed);
    }
    return static_cast<Level>(level);
}

void set_level_cap(Level cap) {
    g_active.store(static_cast<int>(capped(processor_level(), cap)), std::memory_order_relaxed);
}

bool use_avx2() { return active_level() == Level::avx2; }

bool use_sse2() { return is_x86(active_level()); }

bool use_neon() { return active_level() == Level::neon; }

const char* level_name(Level level) {
    switch (level) {
        case Level::plain: return "plain";
        case Level::sse2: return "sse2";
        case Level::avx2: return "avx2";
        case Level::neon: return "neon";
    }
    return "?";
}

}  // namespace lumarix::simd
