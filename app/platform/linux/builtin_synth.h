// The built-in General MIDI synthesizer: FluidSynth with the soundfont the system installs,
// played through a low-latency audio output.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "pulse_output.h"

#include <fluidsynth/types.h>

namespace marble::linux_platform {

/// The soundfont the built-in synthesizer plays: FluidSynth's own default soundfont setting when
/// that file exists, else the first *.sf2 in a sounds/sf2 folder, else the first *.sf3 in a
/// sounds/sf3 folder, looked for in the user's data folder ($XDG_DATA_HOME, ~/.local/share) and
/// then in the system's ($XDG_DATA_DIRS, /usr/local/share and /usr/share). Empty when none is
/// installed.
std::string FindSoundFont();

/// The Debian package that brings the soundfont FindSoundFont() looks for first.
inline constexpr const char* kSoundFontPackage = "timgm6mb-soundfont";

/// Where the built-in synthesizer's sound goes.
enum class SynthAudio {
    Offline,     ///< no audio output asked for: rendered with Render() only
    Connecting,  ///< an audio server took the connection and has not answered yet
    NoServer,    ///< no audio output works now; a Pulse server is looked for every second
    Playing,     ///< sounding through an audio output
};

/// One FluidSynth instance with its soundfont loaded. With `withAudio` it also opens an audio
/// output: a Pulse server's (PulseAudio or PipeWire's) when one is likely to answer, else the
/// first of ALSA and JACK that works, else a Pulse server's once one starts. The Pulse output
/// connects in the background and comes back after a server restart; while it does not play,
/// note-ons are dropped rather than kept for later. Without audio the synthesizer still accepts
/// messages and can be rendered offline with Render().
class BuiltinSynth {
public:
    /// Sample rate of the synthesizer and its audio output.
    static constexpr double kSampleRate = 48000.0;
    /// Frames per audio period (FluidSynth's own block, so a message always starts a fresh
    /// one) and number of periods: about 4 ms of output buffer. On a Pulse server the periods
    /// are rendered only when the server has room, and the 4 ms are the whole way to the sink
    /// (fewer let a loaded machine's server run dry between strokes).
    static constexpr int kPeriodSize = 64;
    static constexpr int kPeriods = 3;

    BuiltinSynth(const std::string& soundFont, bool withAudio);
    ~BuiltinSynth();
    BuiltinSynth(const BuiltinSynth&) = delete;
    BuiltinSynth& operator=(const BuiltinSynth&) = delete;

    /// True when the synthesizer exists and its soundfont is loaded.
    bool Loaded() const { return m_synth != nullptr && m_fontId >= 0; }
    /// The audio output in use ("pulseaudio", "alsa", "jack"), empty when none could be opened.
    const std::string& AudioDriver() const { return m_driverName; }
    /// The audio output's state now (it changes on the audio thread).
    SynthAudio Audio() const;
    /// Called, on the audio thread, after each change of Audio(); empty to stop. Once this
    /// returns, the previous listener is no longer called.
    void SetAudioListener(std::function<void()> listener);
    /// Output latency of the audio buffer in milliseconds: periods x period size / rate (0 without audio).
    double OutputLatencyMs() const;

    /// Plays one MIDI short message (status in bits 0-7, data bytes in bits 8-15 and 16-23).
    /// System messages and malformed words are ignored.
    void ShortMsg(uint32_t message);
    /// All notes off and sustain off on every channel, then the synthesizer's own reset.
    void Reset();
    /// Renders `frames` stereo frames into two float buffers (for use without an audio output).
    void Render(float* left, float* right, int frames);
    /// Fills one period of the audio output: synthesized while anything sounds, and silence
    /// without running the synthesizer (its voices, reverb and chorus) once every voice has
    /// ended and the effects' tail has died away. `left` and `right` arrive zeroed.
    void RenderPeriod(float* left, float* right, int frames);
    /// True while the output is silent without synthesizing.
    bool Resting() const { return m_resting.load(std::memory_order_relaxed); }

private:
    static int AudioCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);
    /// Opens the Pulse output (connecting in the background).
    void OpenPulse();
    /// The Pulse output's state changed (on its thread).
    void PulseStateChanged(PulseOutput::State state);

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_audio_driver_t* m_driver = nullptr;
    std::unique_ptr<PulseOutput> m_pulse;
    int m_fontId = -1;
    std::string m_driverName;
    bool m_withAudio = false;
    std::mutex m_listenerMutex;
    std::function<void()> m_audioListener;  // guarded by m_listenerMutex
    /// Marks the synthesizer as woken and lets a resting audio thread go on; on a Pulse server
    /// also sends what the server has room for at once (a note-on, `startsSound`, ahead of a
    /// quiet queue).
    void Wake(bool startsSound);

    // Set by every message, so the next period synthesizes again.
    std::atomic<bool> m_woken{false};
    // A resting audio thread sleeps here instead of feeding silence period after period.
    std::mutex m_restMutex;
    std::condition_variable m_restWake;
    bool m_closing = false;  // guarded by m_restMutex
    std::atomic<bool> m_resting{false};
    // Frames rendered in a row with no voice and nothing above the silence threshold.
    int64_t m_quietFrames = 0;
};

}  // namespace marble::linux_platform
