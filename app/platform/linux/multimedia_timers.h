// timeSetEvent / timeKillEvent over ClockThread.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace marble::linux_platform {

class ClockThread;

/// Multimedia timers as winmm gives them: each timer gets a non-zero identifier, which its
/// callback receives as its first argument; callbacks of one timer run on its own thread and
/// never overlap; timeKillEvent stops the timer and, called from another thread, returns only
/// once a running callback has finished. The resolution is the lateness a callback may have,
/// as in winmm, honoured up to 10 ms: the clock thread then wakes once per resolution and runs
/// the callbacks that fell due meanwhile in turn, still one per period on average.
class MultimediaTimers {
public:
    MultimediaTimers();
    ~MultimediaTimers();

    /// Returns the new timer's identifier, or 0 for a delay of 0, a missing callback or a kind
    /// of callback other than a function.
    uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user, uint32_t flags);
    /// 0 when the timer was stopped, MMSYSERR_INVALPARAM (11) for an unknown identifier.
    uint32_t timeKillEvent(uint32_t timerId);

private:
    std::mutex m_mutex;  // guards the table only, never held while a clock is joined
    std::map<uint32_t, std::unique_ptr<ClockThread>> m_timers;
    uint32_t m_nextId = 1;
};

}  // namespace marble::linux_platform
