// Processor query and level cap. Kept free of SIMD compile flags so that this file runs on any
// processor (the compiler could otherwise emit instructions of the enabled set here too).
#include "simd/cpu.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(LUMARIX_X86) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#endif

namespace lumarix::simd {

namespace {

#if defined(LUMARIX_X86) && (defined(__GNUC__) || defined(__clang__))
// AVX-512 F, BW and VL (CPUID leaf 7, EBX bits 16, 30, 31), with the operating system saving the
// state they use: XCR0 bits 1 and 2 (XMM, YMM), 5 (opmask), 6 and 7 (the ZMM upper halves and
// ZMM16-31), which XGETBV reads once CPUID says OSXSAVE. XGETBV is written as an instruction so
// that this file needs no XSAVE compile flag.
bool has_avx512() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !((ecx >> 27) & 1)) return false;  // OSXSAVE
    unsigned xcr0_lo = 0, xcr0_hi = 0;
    __asm__ volatile("xgetbv" : "=a"(xcr0_lo), "=d"(xcr0_hi) : "c"(0));
    constexpr unsigned kZmmState = (1u << 1) | (1u << 2) | (1u << 5) | (1u << 6) | (1u << 7);
    if ((xcr0_lo & kZmmState) != kZmmState) return false;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    constexpr unsigned kFBwVl = (1u << 16) | (1u << 30) | (1u << 31);
    return (ebx & kFBwVl) == kFBwVl;
}
#endif

Features query() {
    Features f;
#if defined(LUMARIX_X86) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    f.mmx = __builtin_cpu_supports("mmx");
    f.sse2 = __builtin_cpu_supports("sse2");
    f.avx2 = __builtin_cpu_supports("avx2");
    f.avx512 = f.avx2 && has_avx512();
#endif
    return f;
}

Level detect() {
#if defined(LUMARIX_X86)
    const Features& f = processor_features();
    if (f.avx512) return Level::avx512;
    if (f.avx2) return Level::avx2;
    if (f.sse2) return Level::sse2;
#elif defined(LUMARIX_NEON)
    return Level::neon;
#endif
    return Level::plain;
}

Level parse_cap(const char* text) {
    if (text == nullptr) return Level::avx512;
    if (std::strcmp(text, "plain") == 0) return Level::plain;
    if (std::strcmp(text, "sse2") == 0) return Level::sse2;
    if (std::strcmp(text, "avx2") == 0) return Level::avx2;
    if (std::strcmp(text, "neon") == 0) return Level::neon;
    return Level::avx512;
}

bool is_x86(Level level) { return level == Level::sse2 || level == Level::avx2 || level == Level::avx512; }

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

bool use_avx512() { return active_level() == Level::avx512; }

bool use_avx2() { return active_level() == Level::avx2 || active_level() == Level::avx512; }

bool use_sse2() { return is_x86(active_level()); }

bool use_neon() { return active_level() == Level::neon; }

const char* level_name(Level level) {
    switch (level) {
        case Level::plain: return "plain";
        case Level::sse2: return "sse2";
        case Level::avx2: return "avx2";
        case Level::neon: return "neon";
        case Level::avx512: return "avx512";
    }
    return "?";
}

}  // namespace lumarix::simd
