#include "pulse_output.h"

#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>

#include <algorithm>
#include <cmath>

namespace marble::linux_platform {

namespace {
// The audio thread's real-time priority where the system grants one (as FluidSynth's own
// drivers ask for): a loaded machine then still answers the server within its short buffer.
constexpr int kRealtimePriority = 60;
// Audio quieter than this (-50 dBFS) may be dropped from the queue to let a new sound start.
constexpr float kQuietPeak = 3.16e-3f;
}  // namespace

PulseOutput::PulseOutput(double sampleRate, int periodFrames, int bufferedPeriods, Source source,
                         StateChanged onStateChanged)
    : m_source(std::move(source)), m_onStateChanged(std::move(onStateChanged)), m_sampleRate(sampleRate),
      m_periodFrames(std::max(1, periodFrames)), m_bufferedPeriods(std::max(1, bufferedPeriods)) {
    m_left.resize(size_t(m_periodFrames));
    m_right.resize(size_t(m_periodFrames));
    m_interleaved.resize(size_t(m_periodFrames) * 2);

    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr) {
        m_state = State::NoServer;
        return;
    }
    // The loop's thread is not running yet: no lock needed to set things up.
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    timeval never{};
    m_retry = api->time_new(api, &never, &PulseOutput::OnRetry, this);
    api->time_restart(m_retry, nullptr);  // disabled until a connection fails
    if (!Connect()) RetryLater();
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        Close();
        m_state = State::NoServer;
    }
}

PulseOutput::~PulseOutput() { Close(); }

void PulseOutput::Close() {
    m_ready = false;
    if (m_loop == nullptr) return;
    pa_threaded_mainloop_stop(m_loop);
    DropConnection();
    if (m_retry != nullptr) pa_threaded_mainloop_get_api(m_loop)->time_free(m_retry);
    m_retry = nullptr;
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

bool PulseOutput::Connect() {
    // The client keeps the name FluidSynth's own driver gave it, so the mixer entry stays the same.
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "FluidSynth");
    if (m_context == nullptr) return false;
    pa_context_set_state_callback(m_context, &PulseOutput::OnContextState, this);
    // Without a server this fails at once or soon after (the state callback then retries);
    // with a stopped one it stays in its first states until the server answers or goes.
    return pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
}

void PulseOutput::DropConnection() {
    m_ready = false;
    // Callbacks first, so that ending the old stream and context reports nothing.
    if (m_stream != nullptr) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context != nullptr) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        if (PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context))) pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
}

void PulseOutput::RetryLater() {
    // The failed context and stream are dropped when the time comes, not here: this may run
    // inside their own callbacks.
    m_ready = false;
    SetState(State::NoServer);
    if (m_retryArmed) return;
    m_retryArmed = true;
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(kRetryMs) * PA_USEC_PER_MSEC);
    pa_threaded_mainloop_get_api(m_loop)->time_restart(m_retry, &when);
}

void PulseOutput::OnRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    api->time_restart(event, nullptr);
    self->m_retryArmed = false;
    self->DropConnection();
    if (!self->Connect()) self->RetryLater();
}

void PulseOutput::SetState(State state) {
    if (m_state.exchange(state) == state) return;
    if (m_onStateChanged) m_onStateChanged(state);
}

void PulseOutput::OnContextState(pa_context* context, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_AUTHORIZING:
    case PA_CONTEXT_SETTING_NAME: self->SetState(State::Connecting); break;
    case PA_CONTEXT_READY: self->OpenStream(); break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: self->RetryLater(); break;
    default: break;
    }
}

void PulseOutput::OpenStream() {
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, uint32_t(m_sampleRate), 2};
    m_stream = pa_stream_new(m_context, "FluidSynth output", &format, nullptr);
    if (m_stream == nullptr) return RetryLater();
    pa_stream_set_state_callback(m_stream, &PulseOutput::OnStreamState, this);
    pa_stream_set_write_callback(m_stream, &PulseOutput::OnWritable, this);
    pa_stream_set_underflow_callback(m_stream, &PulseOutput::OnUnderflow, this);
    // With latency adjustment the target length is the whole way to the sink: the server
    // sizes the sink's own buffer to fit. One period starts a stream that ran dry, and
    // the server asks for one period at a time.
    const uint32_t periodBytes = uint32_t(m_periodFrames) * 2 * sizeof(float);
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = periodBytes * uint32_t(m_bufferedPeriods);
    attr.prebuf = periodBytes;
    attr.minreq = periodBytes;
    attr.fragsize = uint32_t(-1);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
        RetryLater();
    }
}

void PulseOutput::OnStreamState(pa_stream* stream, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        self->m_quietPeriods = 0;
        self->m_ready = true;
        self->SetState(State::Playing);
    } else if (!PA_STREAM_IS_GOOD(state)) {
        // A stream the server ended (its sink gone, the client killed) starts over like a
        // lost server.
        self->RetryLater();
    }
}

void PulseOutput::OnWritable(pa_stream*, size_t, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    if (!self->m_priorityTried) {
        self->m_priorityTried = true;
        sched_param param{};
        param.sched_priority = kRealtimePriority;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);  // refused without the right: fine
    }
    self->FillLocked(false);
}

void PulseOutput::OnUnderflow(pa_stream*, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    if (self->m_sending) self->m_underruns.fetch_add(1, std::memory_order_relaxed);
}

void PulseOutput::Fill(bool startsSound) {
    if (!m_ready) return;
    if (pa_threaded_mainloop_in_thread(m_loop)) return FillLocked(startsSound);
    pa_threaded_mainloop_lock(m_loop);
    FillLocked(startsSound);
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseOutput::FillLocked(bool replaceQuiet) {
    if (m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY) return;
    const size_t periodBytes = m_interleaved.size() * sizeof(float);
    const size_t room = pa_stream_writable_size(m_stream);
    if (room == size_t(-1)) return;
    // Whole periods, rounded up: the server may size its buffer below one period, and waiting
    // for a whole period of room would let it run dry first.
    size_t periods = (room + periodBytes - 1) / periodBytes;
    // The queue holds at most the buffer and one period rounded up; a run dry (at rest) holds
    // nothing. Quiet all through, it is written over from the server's read position, where
    // the server mixes the new audio into its very next cycle.
    pa_seek_mode_t seek = PA_SEEK_RELATIVE;
    if (replaceQuiet && m_quietPeriods > m_bufferedPeriods) {
        seek = PA_SEEK_RELATIVE_ON_READ;
        periods = size_t(m_bufferedPeriods);
    }
    for (; periods > 0; --periods) {
        std::fill(m_left.begin(), m_left.end(), 0.0f);
        std::fill(m_right.begin(), m_right.end(), 0.0f);
        m_sending = m_source(m_left.data(), m_right.data(), m_periodFrames);
        if (!m_sending) return;
        float peak = 0.0f;
        for (size_t i = 0; i < m_left.size(); ++i) {
            m_interleaved[2 * i] = m_left[i];
            m_interleaved[2 * i + 1] = m_right[i];
            peak = std::max({peak, std::fabs(m_left[i]), std::fabs(m_right[i])});
        }
        if (pa_stream_write(m_stream, m_interleaved.data(), periodBytes, nullptr, 0, seek) < 0) return;
        seek = PA_SEEK_RELATIVE;
        m_quietPeriods = peak < kQuietPeak ? std::min(m_quietPeriods + 1, 1 << 20) : 0;
    }
}

}  // namespace marble::linux_platform
