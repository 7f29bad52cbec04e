// The process-wide random generator: known draws, the draw over a range, reseeding, and the
// lane-parallel block of draws against one draw at a time.
#include <lumarix/Lumarix.h>
#include <lumarix/filters32/color_filters.h>
#include <lumarix/filters32/random.h>

#include "filters/counter.h"
#include "filters/random_lcg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace lumarix;

uint32_t plain_draw(uint32_t& state, uint32_t range) {
    state = state * 134775813u + 1u;
    return uint32_t((uint64_t(state) * range) >> 32);
}

TEST(RandomGenerator, KnownDrawsFromStateZero) {
    SetRandomState(0);
    EXPECT_EQ(RandomDraw(255), 0u);
    EXPECT_EQ(RandomState(), 1u);
    // The next state is 134775814; over the full range a draw yields the state minus one.
    EXPECT_EQ(RandomDraw(0xFFFFFFFFu), 134775813u);
    EXPECT_EQ(RandomState(), 134775814u);
    for (int i = 0; i < 1000; ++i) {
        const uint32_t got = RandomDraw(0xFFFFFFFFu);
        ASSERT_EQ(got, RandomState() - 1) << "draw " << i;
    }
    SetRandomState(0xFFFFFFFFu);
    EXPECT_EQ(RandomDraw(0), 0u);
    EXPECT_EQ(RandomState(), 0xFFFFFFFFu * 134775813u + 1u);
}

TEST(RandomGenerator, DrawsStayInRangeAndFollowTheCongruence) {
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t state = rng(), range = (i & 3) == 0 ? uint32_t(i % 300) : rng();
        SCOPED_TRACE(testing::Message() << "state " << state << " range " << range);
        uint32_t model = state;
        SetRandomState(state);
        const uint32_t got = RandomDraw(range);
        ASSERT_EQ(got, plain_draw(model, range));
        ASSERT_EQ(RandomState(), model);
        if (range > 0) {
            ASSERT_LT(got, range);
        }
        if (range <= 1) {
            ASSERT_EQ(got, 0u);
        }
    }
}

TEST(RandomGenerator, ReseedTakesTheCounter) {
    uint64_t before = 0, after = 0;
    ASSERT_TRUE(filters::read_performance_counter(before));
    Reseed();
    const uint32_t seeded = RandomState();
    ASSERT_TRUE(filters::read_performance_counter(after));
    EXPECT_LE(uint32_t(seeded - uint32_t(before)), uint32_t(after - before));
    EXPECT_NE(filters::tick_count_ms(), 0u);
}

TEST(RandomGenerator, JumpAheadMatchesSteps) {
    for (uint64_t steps : {0ull, 1ull, 2ull, 7ull, 8ull, 1000ull, 123456789ull}) {
        uint32_t s = 0xDEADBEEF;
        const uint32_t jumped = filters::lcg_jump(steps).apply(s);
        for (uint64_t i = 0; i < std::min<uint64_t>(steps, 100000); ++i) s = filters::lcg_next(s);
        if (steps <= 100000) {
            EXPECT_EQ(jumped, s) << steps << " steps";
        }
    }
    // Composition: 123456789 steps = 123456 blocks of 1000 plus 789.
    uint32_t s = 5;
    for (int i = 0; i < 123456; ++i) s = filters::lcg_jump(1000).apply(s);
    EXPECT_EQ(filters::lcg_jump(789).apply(s), filters::lcg_jump(123456789).apply(5));
}

TEST(RandomGenerator, BlockOfDrawsEqualsSingleDraws) {
    std::mt19937 rng(11);
    for (size_t n = 0; n < 200; ++n) {
        for (uint32_t range : {0u, 1u, 2u, 255u, 256u, 0xFFFFFFFFu, uint32_t(rng())}) {
            const uint32_t start = rng();
            SCOPED_TRACE(testing::Message() << "n " << n << " range " << range << " start " << start);
            std::vector<uint32_t> want(n), got(n);
            uint32_t model = start;
            for (auto& v : want) v = plain_draw(model, range);
            SetRandomState(start);
            filters::draw_block(range, got.data(), n);
            ASSERT_EQ(got, want);
            ASSERT_EQ(RandomState(), model);
        }
    }
}

}  // namespace

// Two filters drawing on two threads at once share the generator without a data race (the
// thread sanitizer build watches this); each still gets numbers from the sequence.
TEST(RandomGenerator, DrawsFromTwoThreadsAtOnce) {
    TLumarix a, b;
    a.SetSize(64, 64);
    b.SetSize(64, 64);
    std::thread noise([&] { for (int i = 0; i < 20; ++i) Noise32(a, 40); });
    for (int i = 0; i < 20; ++i) TVNoise32(b);
    noise.join();
    EXPECT_NE(std::memcmp(b.ScanLine(0), b.ScanLine(1), 64 * 4), 0);
}
