// The settings file at its worst: 50 MB of short key lines in the drum pad's own section, ahead
// of its fourteen keys. Loading reads those keys as start-up does; saving writes them back as
// closing does, each write a whole atomic replacement of the file.
#include "platform/linux/profile_file.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr std::array<const char*, 14> kReadOrder = {"Num0", "Num.", "Num1", "Num2", "Num3", "Num4", "Num5",
                                                    "Num6", "Num7", "Num8", "Num9", "Top",  "Left", "MIDI"};

/// A folder holding two copies of the large file; loads alternate between them, so each load
/// finds nothing left over from the one before.
struct LargeSettings {
    std::string folder;
    std::array<std::string, 2> files;

    LargeSettings() {
        std::string pattern = "/tmp/marble-settings-bench-XXXXXX";
        folder = mkdtemp(pattern.data());
        std::string text = "[marbleStomper]\n";
        for (int i = 0; text.size() < 50'000'000; ++i) {
            char line[32];
            std::snprintf(line, sizeof(line), "Num%07d=%d\n", i, i % 128);
            text += line;
        }
        text += "Top=10\nLeft=20\nMIDI=0\nNum0=50\nNum.=51\nNum1=52\nNum2=53\nNum3=54\nNum4=55\nNum5=56\n"
                "Num6=57\nNum7=58\nNum8=59\nNum9=60\n";
        for (size_t i = 0; i < files.size(); ++i) {
            files[i] = folder + "/marbleStomper" + std::to_string(i) + ".ini";
            std::ofstream(files[i], std::ios::binary) << text;
        }
    }
    ~LargeSettings() {
        for (const std::string& file : files) std::remove(file.c_str());
        std::remove(folder.c_str());
    }
};

LargeSettings& Settings() {
    static LargeSettings settings;
    return settings;
}

void BM_SettingsLoad50MB(benchmark::State& state) {
    LargeSettings& settings = Settings();
    size_t round = 0;
    char value[2048];
    for (auto _ : state) {
        const std::string& file = settings.files[round++ % 2];
        for (const char* key : kReadOrder) {
            marble::ProfileGetString("marbleStomper", key, "", value, sizeof(value), file.c_str());
        }
        if (std::atoi(value) != 0) state.SkipWithError("MIDI is not 0");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 50'000'000);
}
BENCHMARK(BM_SettingsLoad50MB)->Unit(benchmark::kMillisecond);

void BM_SettingsSave50MB(benchmark::State& state) {
    LargeSettings& settings = Settings();
    for (auto _ : state) {
        for (const char* key : kReadOrder) {
            marble::ProfileWriteString("marbleStomper", key, "61", settings.files[0].c_str());
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 14 * 50'000'000);
}
BENCHMARK(BM_SettingsSave50MB)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
