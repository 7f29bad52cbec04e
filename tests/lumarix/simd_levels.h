// The one table of SIMD levels that the differential tests run: each test of a suite derived
// from AtLevel runs once per level, with the dispatchers capped to it, and a level that this
// build or processor lacks shows as a skipped test, never as a silently missing one.
#pragma once

#include "simd/cpu.h"

#include <gtest/gtest.h>

#include <string>

namespace simd_levels {

using lumarix::simd::Level;

inline const Level kLevels[] = {Level::plain, Level::sse2, Level::avx2, Level::avx512, Level::neon};

/// Whether this build and processor have `level`: plain everywhere, the others on their own
/// architecture's ladder (x86: sse2 < avx2 < avx512; AArch64: neon).
inline bool available(Level level) {
    const Level cpu = lumarix::simd::processor_level();
    if (level == Level::plain) return true;
    if (level == Level::neon || cpu == Level::neon) return cpu == level;
    return cpu >= level;
}

inline std::string param_name(const testing::TestParamInfo<Level>& info) {
    return lumarix::simd::level_name(info.param);
}

class AtLevel : public testing::TestWithParam<Level> {
protected:
    void SetUp() override {
        if (!available(GetParam()))
            GTEST_SKIP() << lumarix::simd::level_name(GetParam()) << " is not available on this processor";
        lumarix::simd::set_level_cap(GetParam());
    }
    void TearDown() override { lumarix::simd::set_level_cap(lumarix::simd::environment_cap()); }
    const char* level() const { return lumarix::simd::level_name(GetParam()); }
};

}  // namespace simd_levels

/// Runs every TEST_P of `suite` (derived from simd_levels::AtLevel) at every level of the table.
#define LUMARIX_AT_EVERY_LEVEL(suite) \
    INSTANTIATE_TEST_SUITE_P(Levels, suite, testing::ValuesIn(simd_levels::kLevels), simd_levels::param_name)
