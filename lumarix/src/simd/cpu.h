// The one processor query of the library: which SIMD level its kernels may use.
//
// The level is what the processor has, capped by LUMARIX_ISA (read once, at the first query:
// "plain", "sse2" or "avx2"; anything else leaves the processor's own level) and, in tests and
// fuzzers, by set_level_cap(). Built without SIMD flags, so it runs on every processor.
//
// LUMARIX_X86, set by the build for x86 targets, is the one macro that says "x86 SIMD here":
// the per-instruction-set files and the table entries that name them exist only with it.
#pragma once

namespace lumarix::simd {

enum class Level : int { plain = 0, sse2 = 1, avx2 = 2 };

/// What the processor itself supports, asked once (thread-safe).
Level processor_level();

/// The level the dispatchers use: the processor's, capped as described above. One relaxed load.
Level active_level();

/// Caps the active level (never raises it above the processor's). For tests and fuzzers that
/// compare the paths; not for use while another thread is drawing.
void set_level_cap(Level cap);

/// The cap LUMARIX_ISA sets, or avx2 when it is unset or unknown.
Level environment_cap();

/// Whether the dispatchers may run the AVX2 (SSE2) kernels now. Out of line on purpose: this
/// header is included by files built with AVX2 flags, and an inline copy compiled there could
/// be the one the linker keeps for plain callers.
bool use_avx2();
bool use_sse2();

const char* level_name(Level level);

/// The one of three entries that the active level runs: plain, SSE2 or AVX2. Pass functions
/// (or pointers) and call what comes back, so that nothing built for a level the processor
/// lacks runs to make the choice. Only plain files instantiate this.
template <class T>
T pick(T plain, T sse2, T avx2) {
    switch (active_level()) {
        case Level::avx2: return avx2;
        case Level::sse2: return sse2;
        case Level::plain: break;
    }
    return plain;
}

}  // namespace lumarix::simd
