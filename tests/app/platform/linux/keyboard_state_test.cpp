// The key table behind GetKeyboardState.
#include "platform/linux/keyboard_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>

namespace marble::linux_platform {
namespace {

TEST(KeyboardState, PressAndReleaseByPhysicalKey) {
    KeyboardState keys;
    uint8_t state[256];
    keys.Press(84, 0x65);
    keys.Press(84, 0x0C);  // the same key again (a repeat, or its NumLock twin): no change
    keys.Snapshot(state);
    EXPECT_EQ(state[0x65], 0x80);
    EXPECT_EQ(state[0x0C], 0);
    keys.Release(84);
    EXPECT_FALSE(keys.IsDown(0x65));
    keys.Release(84);  // releasing a key not held is harmless

    // Either Ctrl sets the generic code; it stays down until both are up.
    keys.Press(37, VK_LCONTROL);
    keys.Press(105, VK_RCONTROL);
    EXPECT_TRUE(keys.IsDown(VK_CONTROL));
    keys.Release(37);
    EXPECT_TRUE(keys.IsDown(VK_CONTROL));
    keys.Release(105);
    EXPECT_FALSE(keys.IsDown(VK_CONTROL));
    keys.Press(1, 0);  // keys without a code are not recorded
    EXPECT_EQ(keys.HeldAs(1), 0);
}

TEST(KeyboardState, MatchesAPlainModelOnRandomStrokes) {
    const unsigned seed = 20240607;
    std::mt19937 rng(seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    KeyboardState keys;
    std::map<uint32_t, uint8_t> model;  // physical key -> code of its press
    for (int step = 0; step < 20000; ++step) {
        const uint32_t physical = 80 + rng() % 16;
        const int action = int(rng() % 10);
        if (action < 5) {
            const uint8_t vk = uint8_t(0x60 + rng() % 15);
            keys.Press(physical, vk);
            model.emplace(physical, vk);
        } else if (action < 9) {
            keys.Release(physical);
            model.erase(physical);
        } else if (rng() % 50 == 0) {
            keys.ReleaseAll();
            model.clear();
        }
        uint8_t state[256];
        keys.Snapshot(state);
        uint8_t expected[256] = {};
        for (const auto& [p, vk] : model) expected[vk] = 0x80;
        ASSERT_EQ(0, std::memcmp(state, expected, 256)) << "step " << step;
    }
}

}  // namespace
}  // namespace marble::linux_platform
