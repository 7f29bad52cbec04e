#include "window_timers.h"

#include <QTimer>

#include <ctime>

namespace marble::qt {

uint32_t TickCount() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

WindowTimers::WindowTimers() = default;
WindowTimers::~WindowTimers() = default;

uintptr_t WindowTimers::SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) {
    if (proc == nullptr) return 0;
    auto& timer = m_timers[{window, timerId}];
    if (timer) {
        timer->stop();
        timer->disconnect();
    } else {
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
    }
    // Windows raises periods below 10 ms to 10 ms (USER_TIMER_MINIMUM).
    timer->setInterval(int(elapse < 10 ? 10 : elapse > 0x7FFFFFFF ? 0x7FFFFFFF : elapse));
    QObject::connect(timer.get(), &QTimer::timeout, [window, timerId, proc] { proc(window, WM_TIMER, timerId, TickCount()); });
    timer->start();
    return timerId == 0 ? 1 : timerId;
}

bool WindowTimers::KillTimer(WindowHandle window, uintptr_t timerId) {
    const auto it = m_timers.find({window, timerId});
    if (it == m_timers.end()) return false;
    it->second->stop();
    // The procedure may be the caller, inside the timer's own signal: keep the object until the end.
    m_stopped.push_back(std::move(it->second));
    m_timers.erase(it);
    return true;
}

}  // namespace marble::qt
