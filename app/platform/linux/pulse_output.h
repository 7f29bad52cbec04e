// A low-latency PulseAudio playback stream (also served by PipeWire's Pulse server) that asks
// its source for audio only when the server has room for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

struct pa_context;
struct pa_mainloop_api;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

namespace marble::linux_platform {

/// A stereo float stream at a fixed rate. The server's requests are answered on the stream's
/// own thread by rendering periods just in time, so no rendered audio waits in the program;
/// what is queued is only the server's short buffer. A period the source leaves silent and
/// marks as resting is not sent: the stream then runs dry and nothing wakes the program until
/// Fill() is called (the server plays silence meanwhile).
///
/// A new sound does not wait behind the queue: when everything still queued at the server is
/// quiet (below -50 dBFS, such as a reverb tail that has died away), Fill(true) replaces it from
/// the server's read position. The few quiet milliseconds dropped are masked by the sound that
/// starts in their place.
///
/// Connecting never waits: the stream joins on the stream's own thread once a server answers
/// (a stopped server accepts the connection and then says nothing). A server that goes away,
/// or is not there yet, is tried again every second, so the stream comes back when one runs.
class PulseOutput {
public:
    /// Renders one period into two zeroed buffers; returns false when it rests (nothing to send).
    using Source = std::function<bool(float* left, float* right, int frames)>;

    enum class State {
        Connecting,  ///< before the first answer, or a server took the connection and is silent
        NoServer,    ///< no server could be reached (tried again every second)
        Playing,     ///< the stream is ready
    };
    /// Told each change of CurrentState(), on the stream's thread.
    using StateChanged = std::function<void(State)>;

    /// Starts connecting to the default server. `periodFrames` is the unit of rendering and of
    /// the server's requests, `bufferedPeriods` the periods the server keeps queued.
    PulseOutput(double sampleRate, int periodFrames, int bufferedPeriods, Source source,
                StateChanged onStateChanged = {});
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    /// True when the stream plays.
    bool Ready() const { return m_ready.load(); }
    State CurrentState() const { return m_state.load(); }
    /// Sends the source's news now (from any thread): as many periods as the server has room
    /// for, or, for news that starts a sound while what is queued is quiet, a whole buffer in
    /// its place.
    void Fill(bool startsSound = false);
    /// Times the stream ran dry while the source still had audio to send (heard as a gap).
    uint64_t Underruns() const { return m_underruns.load(std::memory_order_relaxed); }

    /// Time between a lost or failed connection and the next try.
    static constexpr int kRetryMs = 1000;

private:
    static void OnContextState(pa_context* context, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWritable(pa_stream* stream, size_t bytes, void* self);
    static void OnUnderflow(pa_stream* stream, void* self);
    static void OnRetry(pa_mainloop_api* api, pa_time_event* event, const timeval* when, void* self);
    /// A new context on its way to the server; false when libpulse refuses at once.
    bool Connect();
    /// Opens the playback stream on a ready context.
    void OpenStream();
    /// Marks the connection lost and tries a new one after kRetryMs.
    void RetryLater();
    /// Ends the stream and the context, silently.
    void DropConnection();
    void SetState(State state);
    /// Renders and writes while the server has room for a period, or (`replaceQuiet`) a whole
    /// buffer over quiet queued audio; called with the loop locked.
    void FillLocked(bool replaceQuiet);
    void Close();

    Source m_source;
    StateChanged m_onStateChanged;
    double m_sampleRate;
    int m_periodFrames;
    int m_bufferedPeriods;
    int m_quietPeriods = 0;  // the last periods written that were all quiet, in a row
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_retry = nullptr;
    bool m_retryArmed = false;
    std::atomic<bool> m_ready{false};
    std::atomic<State> m_state{State::Connecting};
    bool m_priorityTried = false;
    bool m_sending = false;  // the source's last period had audio
    std::atomic<uint64_t> m_underruns{0};
    std::vector<float> m_left, m_right, m_interleaved;
};

}  // namespace marble::linux_platform
