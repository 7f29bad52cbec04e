// Winmm-style MIDI output on Linux: the built-in synthesizer and the ALSA sequencer's ports.
#pragma once

#include "platform/platform.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace marble::linux_platform {

/// The names under which the built-in synthesizer is listed, by the state of its sound (each
/// fits the 32-byte name field): sounding (or rendering offline), connecting to an audio server,
/// without one, and without a soundfont (it cannot be opened then). A trouble comes first in
/// its name, where a narrow list box still shows it.
inline constexpr const char* kBuiltinSynthName = "Built-in synth (FluidSynth GM)";
inline constexpr const char* kBuiltinSynthConnectingName = "Synth: connecting to audio";
inline constexpr const char* kBuiltinSynthNoServerName = "Synth: no audio server";
inline constexpr const char* kBuiltinSynthNoSoundFontName = "Synth: no soundfont";

class BuiltinSynth;

/// MIDI output devices numbered as winmm numbers them: device 0 is the built-in synthesizer,
/// then one device per ALSA sequencer port. The list is taken anew by midiOutGetNumDevs; the
/// other calls use the list of the last count. The mapper (MIDI_MAPPER, -1) stands for device
/// 0. Handles are small numbers, never pointers, so a stale or invented handle is refused with
/// MMSYSERR_INVALHANDLE instead of being followed.
class LinuxMidiOut : public MidiOut {
public:
    /// One open port, whatever its back end.
    class Port {
    public:
        virtual ~Port() = default;
        /// A short message, decoded to its MIDI bytes (or played, for the synthesizer).
        virtual void ShortMsg(uint32_t message) = 0;
        /// Silences every channel.
        virtual void Reset() = 0;
    };

    /// What to offer. The defaults are the program's; tests narrow them.
    struct Options {
        bool builtinSynth = true;  ///< list the built-in synthesizer
        bool synthAudio = true;    ///< open an audio output for it (off: it renders into nothing)
        bool alsaPorts = true;     ///< list the ALSA sequencer's ports
        std::string soundFont;     ///< empty: FindSoundFont()
    };

    LinuxMidiOut();
    explicit LinuxMidiOut(Options options);
    ~LinuxMidiOut() override;

    uint32_t midiOutGetNumDevs() override;
    uint32_t midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) override;
    uint32_t midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance,
                         uint32_t flags) override;
    uint32_t midiOutShortMsg(MidiHandle handle, uint32_t message) override;
    uint32_t midiOutReset(MidiHandle handle) override;
    uint32_t midiOutClose(MidiHandle handle) override;

    /// The soundfont the built-in synthesizer uses (empty: none installed).
    const std::string& SoundFont() const { return m_soundFont; }
    /// The built-in synthesizer, once listed (null before, or when none is offered or no
    /// soundfont is installed).
    BuiltinSynth* Synth() const;

    /// The built-in synthesizer's line as it stands now, worded in full for a list that is
    /// not held to the 32-byte name (the no-soundfont line also names what to install);
    /// empty when it is not offered.
    std::string BuiltinSynthLine() const;
    /// True for each name the built-in synthesizer is listed under (whatever its state then).
    static bool IsBuiltinSynthName(const std::string& name);
    /// Called on the audio thread whenever BuiltinSynthLine() may have changed; empty to stop
    /// (once this returns, the previous one is no longer called).
    void SetOnBuiltinSynthChanged(std::function<void()> changed);
    /// The open port behind `handle`, or null (for tests and measurements).
    Port* PortOf(MidiHandle handle) const;

private:
    enum class Kind { Synth, Alsa };
    struct Device {
        Kind kind;
        std::string name;  // an ALSA port's (the synthesizer's follows its state)
        unsigned alsaIndex = 0;
    };

    void Refresh();
    /// The 32-byte name of the built-in synthesizer's line now.
    std::string BuiltinSynthName() const;

    Options m_options;
    std::string m_soundFont;
    std::vector<Device> m_devices;
    bool m_listed = false;
    std::unique_ptr<BuiltinSynth> m_synth;  // outlives the ports that play it
    std::function<void()> m_onSynthChanged;
    std::map<MidiHandle, std::unique_ptr<Port>> m_open;
    MidiHandle m_nextHandle = 1;
};

/// The bytes of short message `message` in MIDI order; 0 for a word without a status byte or
/// with a system-exclusive status, which a short message cannot carry.
size_t ShortMessageBytes(uint32_t message, uint8_t bytes[3]);

}  // namespace marble::linux_platform
