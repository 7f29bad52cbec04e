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

PulseOutput::PulseOutput(double sampleRate, int periodFrames, int bufferedPeriods, Source source)
    : m_source(std::move(source)), m_periodFrames(std::max(1, periodFrames)),
      m_bufferedPeriods(std::max(1, bufferedPeriods)) {
    m_left.resize(size_t(m_periodFrames));
    m_right.resize(size_t(m_periodFrames));
    m_interleaved.resize(size_t(m_periodFrames) * 2);

    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr) return;
    // The client keeps the name FluidSynth's own driver gave it, so the mixer entry stays the same.
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "FluidSynth");
    if (m_context == nullptr) {
        Close();
        return;
    }
    pa_context_set_state_callback(m_context, &PulseOutput::OnContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0) {
        Close();
        return;
    }

    pa_threaded_mainloop_lock(m_loop);
    bool ok = true;
    for (pa_context_state_t state; ok && (state = pa_context_get_state(m_context)) != PA_CONTEXT_READY;) {
        if (PA_CONTEXT_IS_GOOD(state)) {
            pa_threaded_mainloop_wait(m_loop);
        } else {
            ok = false;
        }
    }
    if (ok) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, uint32_t(sampleRate), 2};
        m_stream = pa_stream_new(m_context, "FluidSynth output", &format, nullptr);
        ok = m_stream != nullptr;
    }
    if (ok) {
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
        ok = pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) >= 0;
    }
    for (pa_stream_state_t state; ok && (state = pa_stream_get_state(m_stream)) != PA_STREAM_READY;) {
        if (PA_STREAM_IS_GOOD(state)) {
            pa_threaded_mainloop_wait(m_loop);
        } else {
            ok = false;
        }
    }
    m_ready = ok;
    pa_threaded_mainloop_unlock(m_loop);
    if (!ok) Close();
}

PulseOutput::~PulseOutput() { Close(); }

void PulseOutput::Close() {
    m_ready = false;
    if (m_loop != nullptr) pa_threaded_mainloop_stop(m_loop);
    if (m_stream != nullptr) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context != nullptr) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop != nullptr) pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void PulseOutput::OnContextState(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0);
}

void PulseOutput::OnStreamState(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0);
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
