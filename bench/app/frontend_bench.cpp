// The Linux drum pad's timing: key event to MIDI message through the real window and its 10 ms
// scanner, the 1 ms bar clock's rate, and the built-in synthesizer's cost per audio period,
// sounding and silent. bench/app/README.md has the figures, with the whole program's idle CPU
// and key-to-sound latency.
//
//   build/release/bench/app/marble_frontend_bench                      (all, about 75 s)
//   build/release/bench/app/marble_frontend_bench --benchmark_filter=KeyEvent
#include "keyboard_filter.h"
#include "main_window.h"
#include "window_timers.h"

#include "core/Unit2.h"
#include "core/Unit3.h"
#include "platform/linux/builtin_synth.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/multimedia_timers.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The built-in synthesizer (rendering into nothing, as without a sound card), noting when each
// short message has been handed to it.
class TimedMidiOut : public marble::linux_platform::LinuxMidiOut {
public:
    TimedMidiOut() : LinuxMidiOut(SynthOnly()) {}
    uint32_t midiOutShortMsg(marble::MidiHandle handle, uint32_t message) override {
        const uint32_t result = LinuxMidiOut::midiOutShortMsg(handle, message);
        lastMessage = message;
        lastAt = Clock::now();
        ++count;
        return result;
    }

    uint32_t lastMessage = 0;
    Clock::time_point lastAt;
    int count = 0;

private:
    static Options SynthOnly() {
        Options o;
        o.synthAudio = false;
        o.alsaPorts = false;
        return o;
    }
};

// The Linux platform with the timed synthesizer as its MIDI output (its own lists nothing).
class TimedPlatform : public marble::linux_platform::LinuxPlatform {
public:
    explicit TimedPlatform(std::string exe) : LinuxPlatform(NoDevices()), m_exe(std::move(exe)) {
        SetWindowTimers(&m_windowTimers);
    }
    TimedMidiOut& Midi() override { return timed; }
    std::string ExecutablePath() override { return m_exe; }

    TimedMidiOut timed;

private:
    static marble::linux_platform::LinuxMidiOut::Options NoDevices() {
        marble::linux_platform::LinuxMidiOut::Options o;
        o.builtinSynth = false;
        o.alsaPorts = false;
        return o;
    }
    marble::qt::WindowTimers m_windowTimers;
    std::string m_exe;
};

void SendKey(QWindow* window, QEvent::Type type) {
    QKeyEvent event(type, Qt::Key_5, Qt::KeypadModifier, 84, 0, 0);
    QCoreApplication::sendEvent(window, &event);
}

void WaitForMessage(TimedMidiOut& midi, int count) {
    const Clock::time_point limit = Clock::now() + 1s;
    while (midi.count < count && Clock::now() < limit) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void BM_KeyEventToShortMsg(benchmark::State& state) {
    QTemporaryDir dir;
    TimedPlatform platform(QDir(dir.path()).filePath("marbleStomper").toStdString());
    marble::qt::KeyboardFilter filter(platform.Keys());
    qApp->installEventFilter(&filter);
    auto window = std::make_unique<marble::qt::MainWindow>(&filter);
    new marble::TForm2(platform, window->Handle());
    window->Bind(*Form2);
    window->show();
    QCoreApplication::processEvents();
    QWindow* handle = window->windowHandle();

    std::mt19937 rng(1);
    std::vector<double> latencies;
    for (auto _ : state) {
        // Strike at a random moment of the scanner's period.
        const Clock::time_point until = Clock::now() + std::chrono::microseconds(rng() % 10000);
        while (Clock::now() < until) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const int before = platform.timed.count;
        const Clock::time_point pressed = Clock::now();
        SendKey(handle, QEvent::KeyPress);
        WaitForMessage(platform.timed, before + 1);
        const double seconds = std::chrono::duration<double>(platform.timed.lastAt - pressed).count();
        state.SetIterationTime(seconds);
        latencies.push_back(seconds * 1e3);
        SendKey(handle, QEvent::KeyRelease);
        WaitForMessage(platform.timed, platform.timed.count + 1);  // the scanner's note-off
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        state.counters["median_ms"] = latencies[latencies.size() / 2];
        state.counters["worst_ms"] = latencies.back();
        state.counters["best_ms"] = latencies.front();
    }
    window->Unbind();
    delete Form2;
    qApp->removeEventFilter(&filter);
}
BENCHMARK(BM_KeyEventToShortMsg)->Iterations(300)->UseManualTime()->Unit(benchmark::kMillisecond);

std::atomic<uint64_t> g_ticks{0};
void CountTick(uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) { g_ticks.fetch_add(1, std::memory_order_relaxed); }

// Ticks per second of the 1 ms clock over the argument's number of seconds (1000 is exact).
void BM_ClockTicksPerSecond(benchmark::State& state) {
    for (auto _ : state) {
        marble::linux_platform::MultimediaTimers timers;
        g_ticks = 0;
        const Clock::time_point start = Clock::now();
        const uint32_t id = timers.timeSetEvent(1, 500, &CountTick, 0, marble::TIME_PERIODIC);
        std::this_thread::sleep_for(std::chrono::seconds(state.range(0)));
        timers.timeKillEvent(id);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["ticks_per_s"] = double(g_ticks.load()) / seconds;
    }
}
BENCHMARK(BM_ClockTicksPerSecond)->Arg(10)->Arg(60)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The soundfont the built-in synthesizer loads, or empty with the benchmark marked skipped.
std::string SoundFontOrSkip(benchmark::State& state) {
    std::string font = marble::linux_platform::FindSoundFont();
    if (font.empty()) state.SkipWithError("no soundfont");
    return font;
}

// One audio period of the built-in synthesizer with a drum hit sounding; its output latency is
// periods x period size / rate.
void BM_SynthRenderPeriod(benchmark::State& state) {
    using marble::linux_platform::BuiltinSynth;
    const std::string font = SoundFontOrSkip(state);
    if (font.empty()) return;
    BuiltinSynth synth(font, false);
    std::vector<float> left(BuiltinSynth::kPeriodSize), right(BuiltinSynth::kPeriodSize);
    int period = 0;
    for (auto _ : state) {
        if (period++ % 200 == 0) synth.ShortMsg(0x7F2699);
        synth.Render(left.data(), right.data(), BuiltinSynth::kPeriodSize);
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["period_ms"] = 1000.0 * BuiltinSynth::kPeriodSize / BuiltinSynth::kSampleRate;
    state.counters["output_latency_ms"] =
        1000.0 * BuiltinSynth::kPeriodSize * BuiltinSynth::kPeriods / BuiltinSynth::kSampleRate;
    state.counters["frames_per_s"] =
        benchmark::Counter(double(BuiltinSynth::kPeriodSize), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SynthRenderPeriod)->Unit(benchmark::kMicrosecond);

// One audio period with nothing sounding: the synthesizer's own rendering (voices, reverb and
// chorus on silence; argument 0) against the audio output's period once it rests (argument 1).
void BM_SynthSilentPeriod(benchmark::State& state) {
    using marble::linux_platform::BuiltinSynth;
    const std::string font = SoundFontOrSkip(state);
    if (font.empty()) return;
    BuiltinSynth synth(font, false);
    std::vector<float> left(BuiltinSynth::kPeriodSize), right(BuiltinSynth::kPeriodSize);
    const bool resting = state.range(0) != 0;
    for (int i = 0; resting && !synth.Resting() && i < 100000; ++i)
        synth.RenderPeriod(left.data(), right.data(), BuiltinSynth::kPeriodSize);
    for (auto _ : state) {
        if (resting) {
            synth.RenderPeriod(left.data(), right.data(), BuiltinSynth::kPeriodSize);
        } else {
            synth.Render(left.data(), right.data(), BuiltinSynth::kPeriodSize);
        }
        benchmark::DoNotOptimize(left.data());
    }
    state.SetLabel(resting ? "resting output" : "synthesizing silence");
}
BENCHMARK(BM_SynthSilentPeriod)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
