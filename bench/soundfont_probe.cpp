// What the soundfont and the synthesizer cost, outside the game: load time,
// resident memory, and how long fluidsynth takes to render each audio period
// of a tune from its first note, with the game's own synthesizer settings
// (samples loaded on demand, reverb on) or with one of them changed:
//
//   soundfont_probe [--full] [--no-reverb] [--blocks N] TUNE.mid...
//   soundfont_probe --first-second TUNE.mid...
//
// --full loads every sample of the soundfont up front; --no-reverb switches
// the reverb off, which shows what it costs per period. --first-second
// renders the first second of each tune with samples on demand and with all
// loaded, and compares them in 10 ms windows: a note made late or cut short
// by a sample read on demand shows as a difference. The soundfont is the
// one the game picks ($ZANRAI_SOUNDFONT, else the game's own, else the
// system default).

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "FluidSequencer.h"
#include "ProbeMeasures.h"
#include "ProbeSynth.h"

namespace {

using namespace probe;

constexpr double sampleRate = 44100.0;

// The first second of a tune, rendered offline from a fresh synthesizer,
// as the level of each 10 ms in dB below full scale.
std::vector<double> firstSecond(const std::string& soundfont, const std::string& tune, bool full) {
    ProbeSynth probe;
    mm::applyGameSynthSettings(probe.settings, sampleRate, soundfont);
    fluid_settings_setint(probe.settings, "synth.dynamic-sample-loading", full ? 0 : 1);
    std::vector<double> levels;
    if (!probe.load(soundfont, true)) return levels;
    fluid_player_t* player = new_fluid_player(probe.synth);
    if (fluid_player_add(player, tune.c_str()) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK) {
        constexpr int window = static_cast<int>(sampleRate) / 100;
        std::vector<std::int16_t> pcm(std::size_t{2} * window);
        for (int w = 0; w < 100; ++w) {
            fluid_synth_write_s16(probe.synth, window, pcm.data(), 0, 2, pcm.data(), 1, 2);
            double sum = 0.0;
            for (std::int16_t v : pcm) sum += static_cast<double>(v) * v;
            levels.push_back(
                10.0 *
                std::log10(sum / static_cast<double>(pcm.size()) / (32768.0 * 32768.0) + 1e-12));
        }
    }
    delete_fluid_player(player);
    return levels;
}

int compareFirstSecond(const std::string& soundfont, const std::vector<std::string>& tunes) {
    std::printf("soundfont %s: first second, samples on demand against all loaded\n",
                soundfont.c_str());
    for (const std::string& tune : tunes) {
        const auto onDemand = firstSecond(soundfont, tune, false);
        const auto full = firstSecond(soundfont, tune, true);
        if (onDemand.empty() || onDemand.size() != full.size()) return 1;
        const auto onset = [](const std::vector<double>& levels) {
            const auto it =
                std::find_if(levels.begin(), levels.end(), [](double db) { return db > -50.0; });
            return 10 * (it - levels.begin());
        };
        double worst = 0.0;
        int sounding = 0;
        for (std::size_t i = 0; i < full.size(); ++i) {
            if (full[i] < -70.0 && onDemand[i] < -70.0) continue;
            ++sounding;
            worst = std::max(worst, std::fabs(full[i] - onDemand[i]));
        }
        std::printf(
            "  %s: %d of 100 windows sound, largest difference %.3f dB, first note at %ld "
            "ms on demand, %ld ms all loaded\n",
            tune.c_str(), sounding, worst, onset(onDemand), onset(full));
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    bool full = false;
    bool reverb = true;
    bool compare = false;
    int blocks = 2000;
    std::vector<std::string> tunes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full") == 0)
            full = true;
        else if (std::strcmp(argv[i], "--no-reverb") == 0)
            reverb = false;
        else if (std::strcmp(argv[i], "--first-second") == 0)
            compare = true;
        else if (std::strcmp(argv[i], "--blocks") == 0 && i + 1 < argc)
            blocks = std::max(1, std::atoi(argv[++i]));
        else
            tunes.emplace_back(argv[i]);
    }
    const std::string soundfont = mm::findSoundfont();
    if (soundfont.empty() || tunes.empty()) {
        std::fprintf(stderr,
                     "usage: soundfont_probe [--full] [--no-reverb] [--blocks N] TUNE.mid...\n"
                     "       soundfont_probe --first-second TUNE.mid...\n");
        return 2;
    }
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    if (compare) return compareFirstSecond(soundfont, tunes);

    const long before = statusKiB("VmRSS:");
    ProbeSynth probe;
    mm::applyGameSynthSettings(probe.settings, sampleRate, soundfont);
    if (full) fluid_settings_setint(probe.settings, "synth.dynamic-sample-loading", 0);
    if (!reverb) fluid_settings_setint(probe.settings, "synth.reverb.active", 0);
    std::printf("soundfont %s, %s sample loading, reverb %s\n", soundfont.c_str(),
                full ? "full" : "dynamic", reverb ? "on" : "off");
    if (!probe.load(soundfont)) return 1;
    fluid_synth_t* synth = probe.synth;

    const double periodMs = 1000.0 * periodFrames / sampleRate;
    for (const std::string& tune : tunes) {
        fluid_player_t* player = new_fluid_player(synth);
        fluid_player_add(player, tune.c_str());
        fluid_player_play(player);
        const PeriodTimes t = renderPeriods(synth, blocks, periodMs);
        const double cpu = t.totalCpuMs / blocks;
        std::printf(
            "  %s: first period %.2f ms, mean %.3f ms (CPU %.3f ms, %.2f %% of a core), "
            "worst %.2f ms, %d of %d over %.1f ms\n",
            tune.c_str(), t.firstMs, t.totalMs / blocks, cpu, 100.0 * cpu / periodMs, t.worstMs,
            t.late, blocks, periodMs);
        fluid_player_stop(player);
        delete_fluid_player(player);
        fluid_synth_all_sounds_off(synth, -1);
    }
    std::printf("  RSS +%.1f MiB after the tunes (synth, soundfont and the samples they used)\n",
                static_cast<double>(statusKiB("VmRSS:") - before) / 1024.0);
    std::printf("  peak RSS of the process %.1f MiB\n",
                static_cast<double>(statusKiB("VmHWM:")) / 1024.0);
    return 0;
}
