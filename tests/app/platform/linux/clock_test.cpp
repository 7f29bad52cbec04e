// The 1 ms clock: ticks arrive with the timer's identifier, callbacks never overlap, a late
// tick is not made up, and stopping returns only once no callback runs any more.
#include "platform/linux/clock_thread.h"
#include "platform/linux/multimedia_timers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace marble::linux_platform {
namespace {

using namespace std::chrono_literals;

struct Probe {
    std::atomic<int> ticks{0};
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::atomic<uint32_t> lastId{0};
    std::chrono::microseconds work{0};
    MultimediaTimers* timers = nullptr;
    int killAt = -1;
    std::atomic<uint32_t> killResult{~0u};
};

void ProbeCallback(uint32_t id, uint32_t message, uintptr_t user, uintptr_t r1, uintptr_t r2) {
    Probe& p = *reinterpret_cast<Probe*>(user);
    if (p.inside.fetch_add(1) != 0) p.overlapped = true;
    EXPECT_EQ(message, 0u);
    EXPECT_EQ(r1 | r2, 0u);
    p.lastId = id;
    const int n = p.ticks.fetch_add(1) + 1;
    if (p.work.count() > 0) std::this_thread::sleep_for(p.work);
    if (n == p.killAt) p.killResult = p.timers->timeKillEvent(id);
    p.inside.fetch_sub(1);
}

bool WaitFor(const std::atomic<int>& value, int atLeast, std::chrono::seconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (value.load() < atLeast) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(Clock, TicksCarryTheIdentifierAndStopJoins) {
    MultimediaTimers timers;
    Probe probe;
    const uint32_t id = timers.timeSetEvent(1, 500, &ProbeCallback, uintptr_t(&probe), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor(probe.ticks, 50));
    EXPECT_EQ(probe.lastId.load(), id);
    EXPECT_EQ(timers.timeKillEvent(id), 0u);
    const int stoppedAt = probe.ticks.load();
    EXPECT_EQ(probe.inside.load(), 0) << "a callback still ran after the stop returned";
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(probe.ticks.load(), stoppedAt);
    EXPECT_EQ(timers.timeKillEvent(id), 11u) << "a stopped timer is unknown";
    EXPECT_FALSE(probe.overlapped.load());
}

TEST(Clock, GroupedTicksKeepTheRateAndTheStopWaitsForASlowCallback) {
    // Resolution 500 ms: the thread wakes every 10 ms and runs the ticks due since.
    MultimediaTimers timers;
    Probe probe;
    const auto started = std::chrono::steady_clock::now();
    const uint32_t id = timers.timeSetEvent(1, 500, &ProbeCallback, uintptr_t(&probe), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(400ms);
    const int ticks = probe.ticks.load();
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LE(ticks, elapsedMs + 1) << "more than one tick per millisecond";
    EXPECT_GE(ticks, elapsedMs / 2) << "ticks of a group were dropped";
    EXPECT_FALSE(probe.overlapped.load());

    // The stop is asked while a slow callback is inside: it returns only after that one left.
    probe.work = 30ms;
    while (probe.inside.load() == 0) std::this_thread::sleep_for(100us);
    EXPECT_EQ(timers.timeKillEvent(id), 0u);
    EXPECT_EQ(probe.inside.load(), 0) << "the stop returned while a callback still ran";
    const int stoppedAt = probe.ticks.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(probe.ticks.load(), stoppedAt);
}

TEST(Clock, SlowCallbacksNeverOverlapAndMissedTicksAreDropped) {
    ClockThread* clockPtr = nullptr;
    std::atomic<int> inside{0}, ticks{0};
    std::atomic<bool> overlapped{false};
    ClockThread clock(1ms, true, [&] {
        if (inside.fetch_add(1) != 0) overlapped = true;
        std::this_thread::sleep_for(3ms);
        ticks.fetch_add(1);
        inside.fetch_sub(1);
    });
    clockPtr = &clock;
    ASSERT_TRUE(WaitFor(ticks, 20));
    clock.Stop();
    EXPECT_FALSE(overlapped.load());
    // Each tick took three periods: the deadlines it overran were dropped, not run back to back.
    EXPECT_GE(clockPtr->Missed(), uint64_t(ticks.load()));
}

TEST(Clock, StopFromInsideItsOwnCallback) {
    MultimediaTimers timers;
    Probe probe;
    probe.timers = &timers;
    probe.killAt = 5;
    const uint32_t id = timers.timeSetEvent(1, 0, &ProbeCallback, uintptr_t(&probe), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor(probe.ticks, 5));
    // The stop could not wait for the callback that asked for it; wait here until it returned.
    while (probe.inside.load() != 0) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(probe.killResult.load(), 0u);
    EXPECT_EQ(probe.ticks.load(), 5);
}

TEST(Clock, OneShotAndRefusedRequests) {
    MultimediaTimers timers;
    Probe probe;
    const uint32_t once = timers.timeSetEvent(2, 0, &ProbeCallback, uintptr_t(&probe), 0);
    ASSERT_NE(once, 0u);
    ASSERT_TRUE(WaitFor(probe.ticks, 1));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(probe.ticks.load(), 1);
    EXPECT_EQ(timers.timeSetEvent(0, 0, &ProbeCallback, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timers.timeSetEvent(1, 0, nullptr, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timers.timeSetEvent(1, 0, &ProbeCallback, 0, TIME_PERIODIC | 0x10), 0u);
    EXPECT_EQ(timers.timeKillEvent(0), 11u);
    // Identifiers are never reused while the table lives.
    const uint32_t a = timers.timeSetEvent(1, 0, &ProbeCallback, uintptr_t(&probe), TIME_PERIODIC);
    const uint32_t b = timers.timeSetEvent(1, 0, &ProbeCallback, uintptr_t(&probe), TIME_PERIODIC);
    EXPECT_NE(a, b);
    EXPECT_NE(a, once);
    EXPECT_EQ(timers.timeKillEvent(a), 0u);
    // b is stopped and joined by the table's destructor.
}

}  // namespace
}  // namespace marble::linux_platform
