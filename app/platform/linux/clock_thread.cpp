#include "clock_thread.h"

#include <algorithm>
#include <cerrno>
#include <sys/prctl.h>
#include <ctime>

namespace marble::linux_platform {

namespace {

timespec ToTimespec(std::chrono::nanoseconds t) {
    timespec ts;
    ts.tv_sec = time_t(t.count() / 1000000000);
    ts.tv_nsec = long(t.count() % 1000000000);
    return ts;
}

std::chrono::nanoseconds MonotonicNow() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

// The clock whose thread this is (null on every other thread).
thread_local const void* t_clockState = nullptr;

}  // namespace

ClockThread::ClockThread(std::chrono::nanoseconds period, bool periodic, Tick tick, std::chrono::nanoseconds grouping)
    : m_state(std::make_shared<State>()) {
    m_state->period = period.count() > 0 ? period : std::chrono::nanoseconds(1);
    m_state->periodic = periodic;
    m_state->group = periodic ? std::max<int64_t>(1, grouping / m_state->period) : 1;
    m_state->tick = std::move(tick);
    m_thread = std::thread([state = m_state] { Run(state); });
}

ClockThread::~ClockThread() { Stop(); }

bool ClockThread::OnClockThread() const { return t_clockState == m_state.get(); }

void ClockThread::Stop() {
    m_state->stop.store(true, std::memory_order_relaxed);
    if (!m_thread.joinable()) return;
    if (OnClockThread()) {
        // A tick stopping its own clock cannot join its own thread; the thread keeps the shared
        // state alive and ends after the tick returns.
        m_thread.detach();
        return;
    }
    m_thread.join();
}

void ClockThread::Run(const std::shared_ptr<State>& state) {
    State& s = *state;
    t_clockState = state.get();
    // The kernel may defer a sleeper's wake-up by its timer slack (50 us by default) to batch
    // wake-ups; a 1 ms clock wants its deadlines kept as closely as possible.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    // `deadline` is the due time of the next tick; the thread sleeps until the last tick of
    // the group is due and then runs the group's ticks.
    std::chrono::nanoseconds deadline = MonotonicNow() + s.period;
    while (!s.stop.load(std::memory_order_relaxed)) {
        const timespec ts = ToTimespec(deadline + (s.group - 1) * s.period);
        // clock_nanosleep returns its error number; EINTR (a signal) just sleeps again.
        if (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) continue;
        std::chrono::nanoseconds now = MonotonicNow();
        for (int64_t i = 0; i < s.group && deadline <= now; ++i) {
            if (s.stop.load(std::memory_order_relaxed)) return;
            s.tick();
            if (!s.periodic) return;
            deadline += s.period;
        }
        now = MonotonicNow();
        if (deadline <= now) {
            const auto late = (now - deadline) / s.period + 1;
            s.missed.fetch_add(uint64_t(late), std::memory_order_relaxed);
            deadline += late * s.period;
        }
    }
}

}  // namespace marble::linux_platform
