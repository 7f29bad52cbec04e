// SetTimer / KillTimer as Qt timers on the GUI thread.
#pragma once

#include "platform/linux/linux_platform.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

class QTimer;

namespace marble::qt {

/// Window timers: each (window, identifier) pair is one precise QTimer on the thread that set
/// it, calling the procedure with WM_TIMER, the identifier and a millisecond tick count. Setting
/// a pair that runs already restarts it with the new period and procedure, as SetTimer does.
class WindowTimers : public linux_platform::WindowTimerApi {
public:
    WindowTimers();
    ~WindowTimers() override;

    /// Returns `timerId`, or 1 for identifier 0, so success is never 0; 0 for a missing procedure.
    uintptr_t SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) override;
    /// False when no such timer runs.
    bool KillTimer(WindowHandle window, uintptr_t timerId) override;

private:
    std::map<std::pair<WindowHandle, uintptr_t>, std::unique_ptr<QTimer>> m_timers;
    std::vector<std::unique_ptr<QTimer>> m_stopped;
};

/// Milliseconds on the monotonic clock, wrapping at 2^32 like GetTickCount.
uint32_t TickCount();

}  // namespace marble::qt
