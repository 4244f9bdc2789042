// What the soundfont costs, outside the game: load time, resident memory, and
// how long fluidsynth takes to render each audio period of a tune from its
// first note, with all samples loaded at once (the game's setting) or with
// fluidsynth's dynamic sample loading, which reads a preset's samples when a
// tune first selects it.
//
//   soundfont_probe [--dynamic] [--blocks N] TUNE.mid...
//
// The soundfont is the one the game picks ($ZANRAI_SOUNDFONT, else the
// system default). Settings other than the loading mode match the game's.

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "FluidSequencer.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    long value = 0;
    while (status >> word) {
        if (word == key) {
            status >> value;
            break;
        }
    }
    return value;
}

// The audio period the game asks the device for.
constexpr int periodFrames = 512;
constexpr double sampleRate = 44100.0;

}  // namespace

int main(int argc, char* argv[]) {
    bool dynamic = false;
    int blocks = 2000;
    std::vector<std::string> tunes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dynamic") == 0)
            dynamic = true;
        else if (std::strcmp(argv[i], "--blocks") == 0 && i + 1 < argc)
            blocks = std::max(1, std::atoi(argv[++i]));
        else
            tunes.emplace_back(argv[i]);
    }
    const std::string soundfont = mm::findSoundfont();
    if (soundfont.empty() || tunes.empty()) {
        std::fprintf(stderr, "usage: soundfont_probe [--dynamic] [--blocks N] TUNE.mid...\n");
        return 2;
    }
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);

    const long before = statusKiB("VmRSS:");
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", dynamic ? 1 : 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    const auto t0 = Clock::now();
    if (fluid_synth_sfload(synth, soundfont.c_str(), 1) == FLUID_FAILED) {
        std::fprintf(stderr, "cannot load %s\n", soundfont.c_str());
        return 1;
    }
    std::printf("soundfont %s, %s sample loading\n", soundfont.c_str(),
                dynamic ? "dynamic" : "full");
    std::printf("  load %.1f ms; RSS +%.1f MiB (synth and soundfont)\n", msSince(t0),
                static_cast<double>(statusKiB("VmRSS:") - before) / 1024.0);

    std::vector<std::int16_t> buffer(2 * periodFrames);
    const double periodMs = 1000.0 * periodFrames / sampleRate;
    for (const std::string& tune : tunes) {
        fluid_player_t* player = new_fluid_player(synth);
        fluid_player_add(player, tune.c_str());
        fluid_player_play(player);
        double first = 0.0, worst = 0.0, total = 0.0;
        int late = 0;
        for (int b = 0; b < blocks; ++b) {
            const auto s = Clock::now();
            fluid_synth_write_s16(synth, periodFrames, buffer.data(), 0, 2, buffer.data(), 1, 2);
            const double ms = msSince(s);
            if (b == 0) first = ms;
            worst = std::max(worst, ms);
            total += ms;
            if (ms > periodMs) ++late;
        }
        std::printf("  %s: first period %.2f ms, mean %.3f ms, worst %.2f ms, %d of %d over %.1f ms\n",
                    tune.c_str(), first, total / blocks, worst, late, blocks, periodMs);
        fluid_player_stop(player);
        delete_fluid_player(player);
        fluid_synth_all_sounds_off(synth, -1);
    }
    std::printf("  peak RSS of the process %.1f MiB\n",
                static_cast<double>(statusKiB("VmHWM:")) / 1024.0);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return 0;
}
