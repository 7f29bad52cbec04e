// The built-in synthesizer renders offline (no audio device) through fluid_synth_write_float.
#include "platform/linux/builtin_synth.h"
#include "platform/linux/linux_midi_out.h"
#include "platform/linux/pulse_output.h"
#include "private_pulse_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace marble::linux_platform {
namespace {

constexpr int kFrames = int(BuiltinSynth::kSampleRate / 2);  // half a second

double RenderRms(BuiltinSynth& synth, int frames, float* peak = nullptr) {
    std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    synth.Render(left.data(), right.data(), frames);
    double sum = 0.0;
    float top = 0.0f;
    for (int i = 0; i < frames; ++i) {
        sum += double(left[size_t(i)]) * left[size_t(i)] + double(right[size_t(i)]) * right[size_t(i)];
        top = std::max({top, std::fabs(left[size_t(i)]), std::fabs(right[size_t(i)])});
    }
    if (peak != nullptr) *peak = top;
    return std::sqrt(sum / (2.0 * frames));
}

class Synth : public ::testing::Test {
protected:
    void SetUp() override {
        soundFont = FindSoundFont();
        if (soundFont.empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
    }
    std::string soundFont;
};

TEST_F(Synth, DrumNoteIsAudibleAndCtrlVelocityQuieter) {
    BuiltinSynth synth(soundFont, false);
    ASSERT_TRUE(synth.Loaded()) << soundFont;
    EXPECT_EQ(synth.AudioDriver(), "");
    EXPECT_LT(RenderRms(synth, 4800), 1e-6) << "silent before any note";

    // Snare (note 38) on the drum channel at full velocity, then with the Ctrl velocity 82.
    synth.ShortMsg(0x7F2699);
    float loudPeak = 0.0f;
    const double loud = RenderRms(synth, kFrames, &loudPeak);
    synth.ShortMsg(0x7F2689);
    RenderRms(synth, kFrames * 2);  // let the tail die away
    synth.ShortMsg(0x522699);
    float softPeak = 0.0f;
    const double soft = RenderRms(synth, kFrames, &softPeak);
    std::printf("note 38: velocity 127 RMS %.4f peak %.3f, velocity 82 RMS %.4f peak %.3f\n", loud, loudPeak, soft,
                softPeak);
    EXPECT_GT(loud, 0.005);
    EXPECT_GT(loudPeak, 0.05f);
    EXPECT_GT(soft, 0.001);
    EXPECT_LT(soft, loud * 0.8);
}

TEST_F(Synth, RestsOnlyOnceTheTailHasRungOutAndWakesOnAMessage) {
    // The audio output's periods against a synthesizer that always synthesizes: the same
    // samples up to the rest, and nothing audible left in the plain one's output after it;
    // a message ends the rest at the next period.
    BuiltinSynth synth(soundFont, false);
    BuiltinSynth plain(soundFont, false);
    constexpr int kPeriod = BuiltinSynth::kPeriodSize;
    std::vector<float> l(kPeriod), r(kPeriod), pl(kPeriod), pr(kPeriod);
    for (int stroke = 0; stroke < 3; ++stroke) {
        SCOPED_TRACE(stroke);
        for (BuiltinSynth* s : {&synth, &plain}) s->ShortMsg(stroke == 1 ? 0x523899u : 0x7F2699u);
        int restedAt = -1;
        float afterRest = 0.0f;
        for (int period = 0; period < int(BuiltinSynth::kSampleRate * 6) / kPeriod; ++period) {
            if (period == 20) {
                for (BuiltinSynth* s : {&synth, &plain}) s->ShortMsg(stroke == 1 ? 0x523889u : 0x7F2689u);
            }
            std::fill(l.begin(), l.end(), 0.0f);
            std::fill(r.begin(), r.end(), 0.0f);
            synth.RenderPeriod(l.data(), r.data(), kPeriod);
            plain.Render(pl.data(), pr.data(), kPeriod);
            if (synth.Resting()) {
                if (restedAt < 0) restedAt = period;
                for (int i = 0; i < kPeriod; ++i) afterRest = std::max({afterRest, std::fabs(pl[size_t(i)]), std::fabs(pr[size_t(i)])});
                ASSERT_EQ(std::count(l.begin(), l.end(), 0.0f), kPeriod);
            } else {
                ASSERT_EQ(restedAt, -1) << "synthesized again without a message";
                // After a rest the two differ in their effects' phase (the rest stopped time
                // for one of them), so sample equality holds for the first stroke only.
                if (stroke > 0) continue;
                float diff = 0.0f;
                for (int i = 0; i < kPeriod; ++i) diff = std::max({diff, std::fabs(l[size_t(i)] - pl[size_t(i)]), std::fabs(r[size_t(i)] - pr[size_t(i)])});
                ASSERT_LT(diff, 1e-3f) << "period " << period;
            }
        }
        ASSERT_GT(restedAt, 20) << "never rested, or rested while a note sounded";
        EXPECT_LT(afterRest, 1e-4f) << "the tail was cut";
    }
}

TEST_F(Synth, ResetSilencesEveryChannel) {
    BuiltinSynth synth(soundFont, false);
    ASSERT_TRUE(synth.Loaded());
    // A sustained piano chord on channel 0 with the pedal down, and a cymbal on the drum channel.
    synth.ShortMsg(0x7F40B0);
    for (int note : {60, 64, 67}) synth.ShortMsg(0x0000 | 0x90 | uint32_t(note) << 8 | 0x7Fu << 16);
    synth.ShortMsg(0x7F3199);
    ASSERT_GT(RenderRms(synth, 4800), 0.001);
    synth.Reset();
    RenderRms(synth, 2400);  // the release envelopes end within a few milliseconds
    EXPECT_LT(RenderRms(synth, 4800), 1e-4);
}

TEST_F(Synth, MalformedWordsAreIgnored) {
    BuiltinSynth synth(soundFont, false);
    ASSERT_TRUE(synth.Loaded());
    for (uint32_t word : {0x00000000u, 0x7F2619u, 0xFFFFFFF0u, 0x000000F7u, 0xFFFFFFFFu, 0x12345678u}) synth.ShortMsg(word);
    EXPECT_LT(RenderRms(synth, 4800), 1e-6);
}

using test::PrivatePulseServer;

TEST(PulseStream, RendersWhenAskedSleepsWhileRestingAndStartsAgainOnFill) {
    PrivatePulseServer server;
    if (!server.Running()) GTEST_SKIP() << "no pulseaudio to start";
    std::atomic<int> periods{0};
    std::atomic<bool> rest{false};
    std::atomic<float> level{0.25f};
    auto waitFor = [&](int count) {
        for (int i = 0; i < 500 && periods.load() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return periods.load();
    };
    {
        PulseOutput output(48000, 64, 3, [&](float* left, float* right, int frames) {
            EXPECT_EQ(frames, 64);
            EXPECT_EQ(left[0] + right[frames - 1], 0.0f);  // handed over zeroed
            ++periods;
            left[0] = right[0] = level.load();
            return !rest.load();
        });
        for (int i = 0; i < 500 && !output.Ready(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(output.Ready());
        EXPECT_GE(waitFor(40), 40);  // the server keeps asking while the source has audio
        rest = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the queue runs dry
        const int resting = periods.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(periods.load(), resting);  // nothing asks a resting source
        rest = false;
        output.Fill();
        EXPECT_GT(periods.load(), resting);  // sent at once, from this thread
        EXPECT_GE(waitFor(resting + 40), resting + 40);
        // A new sound over a quiet queue: a whole buffer goes in its place at once.
        level = 1e-4f;
        EXPECT_GE(waitFor(periods.load() + 10), resting + 50);
        const int quiet = periods.load();
        output.Fill(true);
        EXPECT_GE(periods.load(), quiet + 3);
    }
    if (const std::string font = FindSoundFont(); !font.empty()) {
        BuiltinSynth synth(font, true);
        EXPECT_EQ(synth.AudioDriver(), "pulseaudio");
        EXPECT_DOUBLE_EQ(synth.OutputLatencyMs(), 4.0);
    }
}

TEST(SynthMissing, NoSoundfontLoadsNothingAndSwallowsMessages) {
    BuiltinSynth synth("/nonexistent/none.sf2", false);
    EXPECT_FALSE(synth.Loaded());
    synth.ShortMsg(0x7F2699);
    synth.Reset();
    std::vector<float> l(64, 1.0f), r(64, 1.0f);
    synth.Render(l.data(), r.data(), 64);
}

// ==== Device numbering ==========================================================================

TEST_F(Synth, DevicesFollowWinmmNumbering) {
    LinuxMidiOut::Options options;
    options.synthAudio = false;
    options.alsaPorts = false;
    LinuxMidiOut midi(options);
    ASSERT_EQ(midi.midiOutGetNumDevs(), 1u);

    MidiOutCaps caps;
    ASSERT_EQ(midi.midiOutGetDevCapsA(0, caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, kBuiltinSynthName);
    for (const char* name : {kBuiltinSynthConnectingName, kBuiltinSynthNoServerName, kBuiltinSynthNoSoundFontName}) {
        EXPECT_LT(std::strlen(name), sizeof caps.szPname);
        EXPECT_TRUE(LinuxMidiOut::IsBuiltinSynthName(name));
    }
    // One synthesizer for the program's life: reopening does not make (or load) another.
    BuiltinSynth* const synth = midi.Synth();
    ASSERT_NE(synth, nullptr);
    for (int i = 0; i < 3; ++i) {
        MidiHandle h = 0;
        ASSERT_EQ(midi.midiOutOpen(h, 0, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
        EXPECT_EQ(midi.midiOutClose(h), MMSYSERR_NOERROR);
        EXPECT_EQ(midi.midiOutGetNumDevs(), 1u);
        EXPECT_EQ(midi.Synth(), synth);
    }
    EXPECT_EQ(midi.midiOutGetDevCapsA(1, caps, sizeof caps), MMSYSERR_BADDEVICEID);
    // A short record gets only the bytes that fit.
    MidiOutCaps part;
    std::memset(&part, 0x5A, sizeof part);
    ASSERT_EQ(midi.midiOutGetDevCapsA(0, part, 8), MMSYSERR_NOERROR);
    EXPECT_EQ(uint8_t(part.szPname[0]), 0x5A);

    // The mapper opens device 0; a bad identifier leaves no handle.
    MidiHandle mapper = 99;
    ASSERT_EQ(midi.midiOutOpen(mapper, MIDI_MAPPER, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    EXPECT_NE(mapper, 0u);
    MidiHandle bad = 99;
    EXPECT_EQ(midi.midiOutOpen(bad, 1, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(midi.midiOutShortMsg(mapper, 0x7F2699), MMSYSERR_NOERROR);
    EXPECT_EQ(midi.midiOutReset(mapper), MMSYSERR_NOERROR);
    EXPECT_EQ(midi.midiOutClose(mapper), MMSYSERR_NOERROR);
    // A closed, failed or invented handle is refused, never followed.
    for (MidiHandle h : {mapper, MidiHandle(0), MidiHandle(12345), ~MidiHandle(0)}) {
        SCOPED_TRACE(h);
        EXPECT_NE(midi.midiOutShortMsg(h, 0x7F2699), MMSYSERR_NOERROR);
        EXPECT_NE(midi.midiOutReset(h), MMSYSERR_NOERROR);
        EXPECT_NE(midi.midiOutClose(h), MMSYSERR_NOERROR);
    }
}

TEST(MidiOut, WithoutAnyDeviceEveryCallFailsQuietly) {
    LinuxMidiOut::Options options;
    options.builtinSynth = false;
    options.alsaPorts = false;
    LinuxMidiOut midi(options);
    EXPECT_EQ(midi.midiOutGetNumDevs(), 0u);
    MidiOutCaps caps;
    EXPECT_EQ(midi.midiOutGetDevCapsA(0, caps, sizeof caps), MMSYSERR_BADDEVICEID);
    MidiHandle h = 7;
    EXPECT_EQ(midi.midiOutOpen(h, MIDI_MAPPER, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(h, 0u);
    EXPECT_NE(midi.midiOutShortMsg(h, 0x7F2699), MMSYSERR_NOERROR);
}

TEST(MidiOut, ShortMessagesDecodeToTheirBytes) {
    struct Case {
        uint32_t word;
        size_t size;
        uint8_t bytes[3];
    };
    const Case cases[] = {
        {0x7F2899, 3, {0x99, 0x28, 0x7F}}, {0x002889, 3, {0x89, 0x28, 0x00}}, {0x0005C9, 2, {0xC9, 0x05}},
        {0x0040D0, 2, {0xD0, 0x40}},       {0x7F7FE0, 3, {0xE0, 0x7F, 0x7F}}, {0xFFFFFF99, 3, {0x99, 0x7F, 0x7F}},
        {0x0000F8, 1, {0xF8}},             {0x0012F3, 2, {0xF3, 0x12}},       {0x0000F0, 0, {}},
        {0x7F2819, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.word);
        uint8_t bytes[3] = {};
        ASSERT_EQ(ShortMessageBytes(c.word, bytes), c.size);
        for (size_t i = 0; i < c.size; ++i) EXPECT_EQ(bytes[i], c.bytes[i]) << i;
    }
}

}  // namespace
}  // namespace marble::linux_platform
