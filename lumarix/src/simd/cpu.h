// The one processor query of the library: which SIMD level its kernels may use, and the raw
// feature bits behind it (which MMXCheck and SSE2Check report).
//
// The level is what the processor has, capped by LUMARIX_ISA (read once, at the first query:
// "plain", "sse2", "avx2", "avx512" or "neon"; anything else leaves the processor's own level)
// and, in tests and fuzzers, by set_level_cap(). Levels form one ladder per architecture: x86
// has plain < sse2 < avx2 < avx512, AArch64 plain < neon (every AArch64 processor has NEON). A
// cap of the other architecture's ladder does not apply; "plain" applies everywhere. Built
// without SIMD flags, so it runs on every processor.
//
// The avx512 level needs AVX-512 F, BW and VL from the processor and the ZMM and opmask state
// enabled by the operating system (XCR0); a processor that has the instructions under a system
// that does not save those registers stays at avx2.
//
// LUMARIX_X86, set by the build for x86 targets, is the one macro that says "x86 SIMD here",
// LUMARIX_NEON the same for AArch64: the per-instruction-set files and the table entries that
// name them exist only with it.
#pragma once

namespace lumarix::simd {

/// The values order each architecture's ladder (avx512 sits above avx2, neon on its own ladder).
enum class Level : int { plain = 0, sse2 = 1, avx2 = 2, neon = 3, avx512 = 4 };

/// The processor's own feature bits, read once with the level (thread-safe): what it reports,
/// whatever cap applies. All false off x86.
struct Features {
    bool mmx = false;
    bool sse2 = false;
    bool avx2 = false;
    bool avx512 = false;  // F, BW and VL, with the ZMM state enabled by the system
};
const Features& processor_features();

/// What the processor itself supports, asked once (thread-safe).
Level processor_level();

/// The level the dispatchers use: the processor's, capped as described above. One relaxed load.
Level active_level();

/// Caps the active level (never raises it above the processor's). For tests and fuzzers that
/// compare the paths; not for use while another thread is drawing.
void set_level_cap(Level cap);

/// The cap LUMARIX_ISA sets, or avx512 (which caps nothing) when it is unset or unknown.
Level environment_cap();

/// Whether the dispatchers may run the AVX-512 (AVX2, SSE2, NEON) kernels now; each is true at
/// its own level and every level above it. Out of line on purpose: this header is included by
/// files built with AVX2 flags, and an inline copy compiled there could be the one the linker
/// keeps for plain callers.
bool use_avx512();
bool use_avx2();
bool use_sse2();
bool use_neon();

const char* level_name(Level level);

/// The one of four entries that the active level runs: plain, SSE2, AVX2 or AVX-512. Pass
/// functions (or pointers) and call what comes back, so that nothing built for a level the
/// processor lacks runs to make the choice. Only plain files instantiate this.
template <class T>
T pick(T plain, T sse2, T avx2, T avx512) {
    switch (active_level()) {
        case Level::avx512: return avx512;
        case Level::avx2: return avx2;
        case Level::sse2: return sse2;
        default: break;
    }
    return plain;
}

/// The same for a family without AVX-512 kernels: its AVX2 entry serves the avx512 level too.
template <class T>
T pick(T plain, T sse2, T avx2) {
    return pick(plain, sse2, avx2, avx2);
}

/// The same on AArch64: plain or NEON.
template <class T>
T pick(T plain, T neon) {
    return active_level() == Level::neon ? neon : plain;
}

}  // namespace lumarix::simd
