// A stand-in for winmm.dll, for running the drum pad under Wine with MIDI devices that exist
// only here. It reports the devices named in WINMM_DOUBLE_DEVICES ("name|!name|...", a leading
// "!" makes that device's capability query fail; three devices by default), writes every MIDI
// and multimedia-timer call with its arguments and result to the file WINMM_DOUBLE_LOG (one
// line per call, ending in "@" and the milliseconds since the DLL was loaded), and implements the periodic timer with a timer-queue timer.
#define _WINMM_
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Device {
    std::string name;
    bool capsFail = false;
};

struct Timer {
    HANDLE queueTimer = nullptr;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    UINT id = 0;
    std::atomic<unsigned> calls{0};
    std::atomic<bool> overlapped{false};
    std::atomic<int> running{0};
};

CRITICAL_SECTION g_lock;
FILE* g_log = nullptr;
std::vector<Device> g_devices;
std::set<uintptr_t> g_openHandles;
std::map<uintptr_t, HWND> g_callbackWindows;
std::map<UINT, Timer*> g_timers;
uintptr_t g_nextHandle = 0x4D1D0000;
UINT g_nextTimerId = 17;
LARGE_INTEGER g_start{};
LARGE_INTEGER g_frequency{};

std::string Env(const char* name) {
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

void Init() {
    InitializeCriticalSection(&g_lock);
    QueryPerformanceFrequency(&g_frequency);
    QueryPerformanceCounter(&g_start);
    const std::string log = Env("WINMM_DOUBLE_LOG");
    if (!log.empty()) g_log = std::fopen(log.c_str(), "ab");
    std::string deviceList = Env("WINMM_DOUBLE_DEVICES");
    if (deviceList.empty()) deviceList = "Marble Test Synth 0|!Marble Broken Port|Marble Test Synth 2";
    if (deviceList == "none") return;
    size_t start = 0;
    for (;;) {
        const size_t bar = deviceList.find('|', start);
        std::string item = deviceList.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        Device device;
        if (!item.empty() && item[0] == '!') {
            device.capsFail = true;
            item.erase(0, 1);
        }
        device.name = item;
        g_devices.push_back(device);
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
}

void Log(const char* format, ...) {
    EnterCriticalSection(&g_lock);
    if (g_log != nullptr) {
        va_list args;
        va_start(args, format);
        std::vfprintf(g_log, format, args);
        va_end(args);
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        std::fprintf(g_log, " @%lld\n", static_cast<long long>((now.QuadPart - g_start.QuadPart) * 1000 / g_frequency.QuadPart));
        std::fflush(g_log);
    }
    LeaveCriticalSection(&g_lock);
}

/// "window(TForm2)" for a window callback, so that the log shows which window gets the notices.
std::string DescribeCallback(DWORD_PTR callback, DWORD flags) {
    char text[160];
    if ((flags & CALLBACK_TYPEMASK) == CALLBACK_WINDOW) {
        char cls[64] = "?";
        HWND hwnd = reinterpret_cast<HWND>(callback);
        if (!IsWindow(hwnd) || GetClassNameA(hwnd, cls, sizeof cls) == 0) std::strcpy(cls, "not-a-window");
        std::snprintf(text, sizeof text, "window(%s)", cls);
    } else {
        std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(callback));
    }
    return text;
}

bool IsOpen(HMIDIOUT handle) { return g_openHandles.count(reinterpret_cast<uintptr_t>(handle)) != 0; }

void CALLBACK TimerThunk(PVOID context, BOOLEAN) {
    auto* timer = static_cast<Timer*>(context);
    if (timer->running.fetch_add(1) != 0) timer->overlapped = true;
    timer->calls.fetch_add(1, std::memory_order_relaxed);
    timer->callback(timer->id, 0, timer->user, 0, 0);
    timer->running.fetch_sub(1);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        Init();
        Log("attach devices=%u", unsigned(g_devices.size()));
    }
    return TRUE;
}

// ==== MIDI output ===============================================================================

UINT WINAPI midiOutGetNumDevs(void) {
    const UINT n = UINT(g_devices.size());
    Log("midiOutGetNumDevs -> %u", n);
    return n;
}

MMRESULT WINAPI midiOutGetDevCapsA(UINT_PTR id, LPMIDIOUTCAPSA caps, UINT size) {
    MMRESULT result = MMSYSERR_NOERROR;
    if (caps == nullptr) {
        result = MMSYSERR_INVALPARAM;
    } else if (id >= g_devices.size()) {
        result = MMSYSERR_BADDEVICEID;
    } else if (g_devices[id].capsFail) {
        result = MMSYSERR_NODRIVER;
    } else {
        MIDIOUTCAPSA full{};
        full.wMid = 0xFF;
        full.wPid = WORD(id);
        full.vDriverVersion = 0x0100;
        lstrcpynA(full.szPname, g_devices[id].name.c_str(), MAXPNAMELEN);
        full.wTechnology = MOD_SYNTH;
        full.wVoices = 16;
        full.wNotes = 128;
        full.wChannelMask = 0xFFFF;
        std::memcpy(caps, &full, size < sizeof full ? size : sizeof full);
    }
    Log("midiOutGetDevCapsA id=%llu size=%u -> %u", static_cast<unsigned long long>(id), size, result);
    return result;
}

MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    MMRESULT result = MMSYSERR_NOERROR;
    UINT device = id;
    if (id == MIDI_MAPPER) device = 0;  // the mapper plays on the first device
    if (handle == nullptr) {
        result = MMSYSERR_INVALPARAM;
    } else if (device >= g_devices.size()) {
        result = id == MIDI_MAPPER ? MMSYSERR_NODRIVER : MMSYSERR_BADDEVICEID;
    } else if (g_devices[device].capsFail) {
        result = MMSYSERR_NODRIVER;
    }
    uintptr_t value = 0;
    if (result == MMSYSERR_NOERROR) {
        EnterCriticalSection(&g_lock);
        value = g_nextHandle++;
        g_openHandles.insert(value);
        LeaveCriticalSection(&g_lock);
        *handle = reinterpret_cast<HMIDIOUT>(value);
    }
    Log("midiOutOpen device=%d callback=%s instance=%llu flags=0x%lx -> %u handle=0x%llx", int(id),
        DescribeCallback(callback, flags).c_str(), static_cast<unsigned long long>(instance),
        static_cast<unsigned long>(flags), result, static_cast<unsigned long long>(value));
    if (result == MMSYSERR_NOERROR && (flags & CALLBACK_TYPEMASK) == CALLBACK_WINDOW) {
        g_callbackWindows[value] = reinterpret_cast<HWND>(callback);
        PostMessageA(reinterpret_cast<HWND>(callback), MM_MOM_OPEN, WPARAM(value), 0);
    }
    return result;
}

MMRESULT WINAPI midiOutShortMsg(HMIDIOUT handle, DWORD message) {
    const MMRESULT result = IsOpen(handle) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    Log("midiOutShortMsg handle=0x%llx msg=0x%08lx -> %u", static_cast<unsigned long long>(uintptr_t(handle)),
        static_cast<unsigned long>(message), result);
    return result;
}

MMRESULT WINAPI midiOutReset(HMIDIOUT handle) {
    const MMRESULT result = IsOpen(handle) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    Log("midiOutReset handle=0x%llx -> %u", static_cast<unsigned long long>(uintptr_t(handle)), result);
    return result;
}

MMRESULT WINAPI midiOutClose(HMIDIOUT handle) {
    const auto value = reinterpret_cast<uintptr_t>(handle);
    MMRESULT result = MMSYSERR_INVALHANDLE;
    HWND window = nullptr;
    EnterCriticalSection(&g_lock);
    if (g_openHandles.erase(value) != 0) {
        result = MMSYSERR_NOERROR;
        auto it = g_callbackWindows.find(value);
        if (it != g_callbackWindows.end()) {
            window = it->second;
            g_callbackWindows.erase(it);
        }
    }
    LeaveCriticalSection(&g_lock);
    Log("midiOutClose handle=0x%llx -> %u", static_cast<unsigned long long>(value), result);
    if (window != nullptr) PostMessageA(window, MM_MOM_CLOSE, WPARAM(value), 0);
    return result;
}

// ==== Multimedia timers =========================================================================

MMRESULT WINAPI timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    UINT id = 0;
    // Only what the drum pad uses: a function callback, one-shot or periodic.
    if (callback != nullptr && (flags & ~UINT(TIME_PERIODIC | TIME_KILL_SYNCHRONOUS)) == 0) {
        auto* timer = new Timer;
        timer->callback = callback;
        timer->user = user;
        EnterCriticalSection(&g_lock);
        timer->id = g_nextTimerId++;
        g_timers[timer->id] = timer;
        LeaveCriticalSection(&g_lock);
        const DWORD period = (flags & TIME_PERIODIC) ? (delay > 0 ? delay : 1) : 0;
        if (CreateTimerQueueTimer(&timer->queueTimer, nullptr, TimerThunk, timer, delay, period,
                                  WT_EXECUTEINTIMERTHREAD)) {
            id = timer->id;
        } else {
            EnterCriticalSection(&g_lock);
            g_timers.erase(timer->id);
            LeaveCriticalSection(&g_lock);
            delete timer;
        }
    }
    Log("timeSetEvent delay=%u resolution=%u user=%llu flags=0x%x -> %u", delay, resolution,
        static_cast<unsigned long long>(user), flags, id);
    return id;
}

MMRESULT WINAPI timeKillEvent(UINT id) {
    Timer* timer = nullptr;
    EnterCriticalSection(&g_lock);
    auto it = g_timers.find(id);
    if (it != g_timers.end()) {
        timer = it->second;
        g_timers.erase(it);
    }
    LeaveCriticalSection(&g_lock);
    if (timer == nullptr) {
        Log("timeKillEvent id=%u -> %u", id, unsigned(TIMERR_NOCANDO));
        return TIMERR_NOCANDO;
    }
    // INVALID_HANDLE_VALUE: wait for a callback that is running right now.
    DeleteTimerQueueTimer(nullptr, timer->queueTimer, INVALID_HANDLE_VALUE);
    Log("timeKillEvent id=%u -> 0 callbacks=%u overlapped=%d", id, timer->calls.load(), int(timer->overlapped.load()));
    delete timer;
    return TIMERR_NOERROR;
}

DWORD WINAPI timeGetTime(void) { return GetTickCount(); }

MMRESULT WINAPI timeBeginPeriod(UINT) { return TIMERR_NOERROR; }

MMRESULT WINAPI timeEndPeriod(UINT) { return TIMERR_NOERROR; }

MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size) {
    if (caps == nullptr || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    caps->wPeriodMin = 1;
    caps->wPeriodMax = 1000000;
    return TIMERR_NOERROR;
}

}  // extern "C"
