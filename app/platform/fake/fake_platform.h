// A platform for tests: records every call in order with its arguments, and lets the test set
// the keyboard, list MIDI devices, fire the window timer and the clock, hold profile files in
// memory and make a profile write fail.
//
// Each call is logged as one line "name(arg, arg, ...)", numbers in decimal except MIDI
// messages and callback flags in hexadecimal, for example
//   midiOutOpen(dev=0, cb=4660, inst=0, flags=0x10000)   midiOutShortMsg(h=256, 0x7f2899)
// so a test compares the log with the sequence it expects.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace marble {

class FakePlatform : public Platform, public MidiOut {
public:
    FakePlatform();
    /// Stops a clock thread that is still running.
    ~FakePlatform() override;

    // ---- Recording ------------------------------------------------------------------------------
    /// Every call so far, in order.
    std::vector<std::string> Calls() const;
    /// The calls whose name starts with `prefix`.
    std::vector<std::string> CallsNamed(const std::string& prefix) const;
    /// The words passed to midiOutShortMsg, in order.
    std::vector<uint32_t> ShortMessages() const;
    void ClearCalls();

    // ---- MIDI -----------------------------------------------------------------------------------
    /// Adds an output device; `capsFail` makes its capability query return an error.
    void AddDevice(const std::string& name, bool capsFail = false);
    /// Handle given by the n-th successful midiOutOpen (n from 0): 256 + n.
    static MidiHandle HandleOfOpen(uint32_t n) { return 256 + n; }

    // ---- Keyboard -------------------------------------------------------------------------------
    /// Sets or clears bit 7 of a key's byte in the state GetKeyboardState returns.
    void SetKey(uint16_t virtualKey, bool down);
    void ReleaseAllKeys();

    // ---- Timers ---------------------------------------------------------------------------------
    /// Calls the procedure of window timer `timerId` as the message loop would. False when no
    /// such timer runs.
    bool FireWindowTimer(uintptr_t timerId = 0, uint32_t time = 0);
    /// Calls the periodic clock's callback once with its own identifier (on the caller's
    /// thread). False when no clock runs.
    bool FireClock();
    /// Identifier the next timeSetEvent returns.
    uint32_t nextClockId = 7;
    /// When set before timeSetEvent, the clock runs for real: a thread of its own calls the
    /// callback back to back (about every 20 us) until timeKillEvent stops and joins it. The
    /// thread takes no lock, so ThreadSanitizer sees every access the callback shares.
    bool clockOnThread = false;
    /// Callbacks made by the clock thread so far.
    uint64_t ClockThreadTicks() const { return m_threadTicks.load(std::memory_order_relaxed); }
    /// Whether a periodic clock / a window timer with this id is running.
    bool ClockRunning() const;
    bool WindowTimerRunning(uintptr_t timerId = 0) const;

    // ---- Profile files --------------------------------------------------------------------------
    /// Sets a value of an in-memory profile file (names matched without regard to case).
    void SetProfileValue(const std::string& fileName, const std::string& section, const std::string& key,
                         const std::string& value);
    /// A value of an in-memory profile file; `found` tells whether it exists.
    std::string ProfileValue(const std::string& fileName, const std::string& section, const std::string& key,
                             bool* found = nullptr) const;
    /// Keys (as written) of one section, in the order first written.
    std::vector<std::string> ProfileKeys(const std::string& fileName, const std::string& section) const;
    /// Makes the n-th key write from now on fail (0 = the next one) and every later one; -1 = never.
    void FailProfileWritesFrom(int n);
    /// Makes the flush fail.
    bool failFlush = false;

    // ---- Shell ----------------------------------------------------------------------------------
    std::string executablePath = "/opt/marble/marbleStomper";
    /// The one folder FolderWritable refuses, and what UserConfigFolder returns.
    std::string readOnlyFolder;
    std::string userConfigFolder;
    /// What InstalledByPackage answers for every path.
    bool installedByPackage = false;
    /// Messages shown in the error box, in order.
    std::vector<std::string> ErrorBoxes() const;

    // ---- Platform -------------------------------------------------------------------------------
    /// The fake is its own MIDI output, so MIDI calls land in the one log with all others.
    MidiOut& Midi() override { return *this; }
    uint32_t midiOutGetNumDevs() override;
    uint32_t midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) override;
    uint32_t midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance,
                         uint32_t flags) override;
    uint32_t midiOutShortMsg(MidiHandle handle, uint32_t message) override;
    uint32_t midiOutReset(MidiHandle handle) override;
    uint32_t midiOutClose(MidiHandle handle) override;
    uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user,
                          uint32_t flags) override;
    uint32_t timeKillEvent(uint32_t timerId) override;
    uintptr_t SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) override;
    bool KillTimer(WindowHandle window, uintptr_t timerId) override;
    bool GetKeyboardState(uint8_t* state256) override;
    void Sleep(uint32_t milliseconds) override;
    uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                      uint32_t size, const char* fileName) override;
    bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                    const char* fileName) override;
    std::string ExecutablePath() override;
    bool FolderWritable(const std::string& folder) override { return folder != readOnlyFolder; }
    std::string UserConfigFolder() override { return userConfigFolder; }
    bool InstalledByPackage(const std::string&) override { return installedByPackage; }
    /// True once any value of the file has been set.
    bool SettingsFileExists(const std::string& fileName) override;
    void ShowErrorBox(const std::string& message) override;

private:
    struct Device {
        std::string name;
        bool capsFail;
    };
    struct WindowTimer {
        WindowHandle window;
        TimerProc proc;
    };
    struct Section {
        std::vector<std::string> keyOrder;
        std::map<std::string, std::pair<std::string, std::string>> values;  // lower key -> (key, value)
    };
    void Log(std::string line);
    void StopClockThread();
    Section* FindSection(const std::string& fileName, const std::string& section);
    const Section* FindSection(const std::string& fileName, const std::string& section) const;

    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::vector<uint32_t> m_messages;
    std::vector<Device> m_devices;
    uint32_t m_opens = 0;
    uint8_t m_keys[256] = {};
    TimeCallback m_clock = nullptr;
    uint32_t m_clockId = 0;
    uintptr_t m_clockUser = 0;
    std::thread m_clockThread;
    std::atomic<bool> m_clockStop{false};
    std::atomic<uint64_t> m_threadTicks{0};
    std::map<uintptr_t, WindowTimer> m_windowTimers;
    std::map<std::string, std::map<std::string, Section>> m_files;  // lower file -> lower section
    int m_failWritesFrom = -1;
    std::vector<std::string> m_errorBoxes;
};

}  // namespace marble
