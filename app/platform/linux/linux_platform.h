// The drum pad's operating system on Linux.
#pragma once

#include "platform/linux/keyboard_state.h"
#include "platform/linux/linux_midi_out.h"
#include "platform/linux/multimedia_timers.h"
#include "platform/platform.h"

#include <functional>
#include <string>

namespace marble::linux_platform {

/// The window timers of the GUI toolkit, which the front end hands to the platform.
class WindowTimerApi {
public:
    virtual ~WindowTimerApi() = default;
    virtual uintptr_t SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) = 0;
    virtual bool KillTimer(WindowHandle window, uintptr_t timerId) = 0;
};

/// marble::Platform on Linux: MIDI out through the built-in synthesizer and the ALSA
/// sequencer, the 1 ms clock on its own thread, ini files with the Windows profile semantics.
/// The front end supplies the rest: the keyboard state (feeding Keys() from its key events),
/// the window timers (SetWindowTimers) and the error box (SetErrorBox). Without window timers
/// SetTimer fails; without an error box messages go to stderr.
class LinuxPlatform : public Platform {
public:
    LinuxPlatform();
    explicit LinuxPlatform(LinuxMidiOut::Options midiOptions);
    ~LinuxPlatform() override;

    /// The key state GetKeyboardState reports.
    KeyboardState& Keys() { return m_keys; }
    /// The MIDI output devices: the built-in synthesizer and the ALSA sequencer's ports.
    LinuxMidiOut& Midi() override { return m_midi; }
    /// The window timers SetTimer and KillTimer use; they must outlive the platform's use.
    void SetWindowTimers(WindowTimerApi* timers) { m_windowTimers = timers; }
    /// The error box (tests record the message instead of blocking on a dialog).
    void SetErrorBox(std::function<void(const std::string&)> box) { m_errorBox = std::move(box); }

    uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user,
                          uint32_t flags) override {
        return m_clocks.timeSetEvent(delay, resolution, callback, user, flags);
    }
    uint32_t timeKillEvent(uint32_t timerId) override { return m_clocks.timeKillEvent(timerId); }
    uintptr_t SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) override {
        return m_windowTimers != nullptr ? m_windowTimers->SetTimer(window, timerId, elapse, proc) : 0;
    }
    bool KillTimer(WindowHandle window, uintptr_t timerId) override {
        return m_windowTimers != nullptr && m_windowTimers->KillTimer(window, timerId);
    }

    bool GetKeyboardState(uint8_t* state256) override;
    void Sleep(uint32_t milliseconds) override;

    uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                      uint32_t size, const char* fileName) override;
    bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                    const char* fileName) override;

    /// The target of /proc/self/exe.
    std::string ExecutablePath() override;
    void ShowErrorBox(const std::string& message) override;
    bool FolderWritable(const std::string& folder) override;
    /// $XDG_CONFIG_HOME, or ~/.config.
    std::string UserConfigFolder() override;
    bool InstalledByPackage(const std::string& executablePath) override;
    bool SettingsFileExists(const std::string& fileName) override;

private:
    LinuxMidiOut m_midi;
    KeyboardState m_keys;
    WindowTimerApi* m_windowTimers = nullptr;
    // Last member: destroyed first, so no clock outlives what it may reach.
    MultimediaTimers m_clocks;
    std::function<void(const std::string&)> m_errorBox;
};

}  // namespace marble::linux_platform
