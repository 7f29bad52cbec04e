// A periodic callback on a thread of its own, paced by absolute deadlines on the monotonic clock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace marble::linux_platform {

/// Calls `tick` once per period on its own thread until stopped. Deadlines are absolute
/// (start + n periods), so the rate does not drift; a tick that comes too late is run once and
/// the deadlines that passed meanwhile are dropped, not made up. Callbacks never overlap.
///
/// With a grouping of several periods the thread wakes once per group and runs the ticks that
/// fell due since its last wake one after another: the rate stays one tick per period, each
/// tick comes at most one group late, and the thread wakes that many times less often (each
/// wake costs a context switch, which on a virtual machine outweighs the tick itself).
class ClockThread {
public:
    using Tick = std::function<void()>;

    /// Starts the thread; the first tick comes one period after the start. With `periodic`
    /// false it ticks once and ends.
    ClockThread(std::chrono::nanoseconds period, bool periodic, Tick tick,
                std::chrono::nanoseconds grouping = std::chrono::nanoseconds(0));
    /// Stops and joins the thread.
    ~ClockThread();
    ClockThread(const ClockThread&) = delete;
    ClockThread& operator=(const ClockThread&) = delete;

    /// Stops the clock. From another thread it waits until a running tick has returned and the
    /// thread has ended. From inside a tick it only asks for the end: no tick follows.
    void Stop();
    /// True on the clock's own thread (inside a tick).
    bool OnClockThread() const;
    /// Deadlines dropped because a tick came too late.
    uint64_t Missed() const { return m_state->missed.load(std::memory_order_relaxed); }

private:
    struct State {
        std::chrono::nanoseconds period;
        int64_t group;  // ticks per wake, at least 1
        bool periodic;
        Tick tick;
        std::atomic<bool> stop{false};
        std::atomic<uint64_t> missed{0};
    };
    static void Run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

}  // namespace marble::linux_platform
