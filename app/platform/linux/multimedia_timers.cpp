#include "multimedia_timers.h"

#include "clock_thread.h"

#include <algorithm>
#include <chrono>

namespace marble::linux_platform {

namespace {
// Bits above the periodic flag choose another kind of callback (event set or pulse) and the
// kill-synchronous option; only the function callback is served.
constexpr uint32_t TIME_CALLBACK_EVENT_MASK = 0x30;
// The longest a callback is let slip behind its due time, whatever resolution is asked for:
// one window-timer period, so a reader polling every 10 ms still sees the clock move.
constexpr uint32_t kMaxResolutionMs = 10;
}  // namespace

MultimediaTimers::MultimediaTimers() = default;

MultimediaTimers::~MultimediaTimers() {
    std::map<uint32_t, std::unique_ptr<ClockThread>> timers;
    {
        std::lock_guard lock(m_mutex);
        timers.swap(m_timers);
    }
    timers.clear();  // joins every clock
}

uint32_t MultimediaTimers::timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user,
                                        uint32_t flags) {
    if (delay == 0 || callback == nullptr || (flags & TIME_CALLBACK_EVENT_MASK) != 0) return 0;
    std::lock_guard lock(m_mutex);
    uint32_t id = m_nextId++;
    if (id == 0) id = m_nextId++;  // after wrap-around; 0 means failure
    auto tick = [callback, id, user] { callback(id, 0, user, 0, 0); };
    m_timers[id] = std::make_unique<ClockThread>(std::chrono::milliseconds(delay), (flags & TIME_PERIODIC) != 0,
                                                 std::move(tick),
                                                 std::chrono::milliseconds(std::min(resolution, kMaxResolutionMs)));
    return id;
}

uint32_t MultimediaTimers::timeKillEvent(uint32_t timerId) {
    std::unique_ptr<ClockThread> clock;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_timers.find(timerId);
        if (it == m_timers.end()) return MMSYSERR_INVALPARAM;
        clock = std::move(it->second);
        m_timers.erase(it);
    }
    clock->Stop();
    return TIMERR_NOERROR;
}

}  // namespace marble::linux_platform
