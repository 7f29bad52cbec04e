// The processor query and its cap: the level every dispatcher of the library follows.
#include "simd/cpu.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

using lumarix::simd::Level;
namespace simd = lumarix::simd;

TEST(SimdLevel, ProcessorLadderAndCaps) {
    const Level cpu = simd::processor_level();
    std::cout << "processor level: " << simd::level_name(cpu) << ", active level: "
              << simd::level_name(simd::active_level()) << "\n";
#if defined(LUMARIX_NEON)
    EXPECT_EQ(cpu, Level::neon);
#elif defined(LUMARIX_X86) && (defined(__x86_64__) || defined(_M_X64))
    EXPECT_TRUE(cpu == Level::sse2 || cpu == Level::avx2 || cpu == Level::avx512);
#endif
    const Level caps[] = {Level::plain, Level::sse2, Level::avx2, Level::avx512, Level::neon};
    for (Level cap : caps) {
        SCOPED_TRACE(simd::level_name(cap));
        simd::set_level_cap(cap);
        const Level got = simd::active_level();
        // A cap never raises the level, applies on its own ladder and is no cap on the other.
        const bool x86 = cpu == Level::sse2 || cpu == Level::avx2 || cpu == Level::avx512;
        const bool same = (cap == Level::neon) == (cpu == Level::neon);
        const Level want = cap == Level::plain ? Level::plain
                           : !same || cpu == Level::plain ? cpu
                           : x86 && int(cap) < int(cpu) ? cap : cpu;
        EXPECT_EQ(got, want);
        // At most one instruction set is in use, and only the processor's own.
        EXPECT_EQ(simd::use_neon(), got == Level::neon);
        // Each x86 level also runs the kernels of the levels below it where it has none of its own.
        EXPECT_EQ(simd::use_sse2(), got == Level::sse2 || got == Level::avx2 || got == Level::avx512);
        EXPECT_EQ(simd::use_avx2(), got == Level::avx2 || got == Level::avx512);
        EXPECT_EQ(simd::use_avx512(), got == Level::avx512);
    }
    simd::set_level_cap(simd::environment_cap());
}

}  // namespace
