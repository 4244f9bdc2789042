#pragma once

// The synthesizer the probes render with, outside the game, and the loop
// that renders a tune period by period as the audio callback pulls it.

#include <fluidsynth.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ProbeMeasures.h"

namespace probe {

// Settings first, then load(): the synthesizer is made from the settings as
// they are then, and freed with them.
struct ProbeSynth {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = nullptr;

    ProbeSynth() = default;
    ProbeSynth(const ProbeSynth&) = delete;
    ProbeSynth& operator=(const ProbeSynth&) = delete;
    ~ProbeSynth() {
        if (synth != nullptr) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }

    // Makes the synthesizer and loads the soundfont; says how long that took
    // and what it added to the process's memory unless quiet. False, with a
    // line on stderr, when the soundfont does not load.
    bool load(const std::string& soundfont, bool quiet = false) {
        const long before = statusKiB("VmRSS:");
        synth = new_fluid_synth(settings);
        const auto t0 = Clock::now();
        if (fluid_synth_sfload(synth, soundfont.c_str(), 1) == FLUID_FAILED) {
            std::fprintf(stderr, "cannot load %s\n", soundfont.c_str());
            return false;
        }
        if (!quiet)
            std::printf("  load %.1f ms; RSS +%.1f MiB (synth and soundfont)\n", msSince(t0),
                        static_cast<double>(statusKiB("VmRSS:") - before) / 1024.0);
        return true;
    }
};

// Wall and CPU time of the periods of one rendering.
struct PeriodTimes {
    double firstMs = 0.0, firstCpuMs = 0.0, worstMs = 0.0, totalMs = 0.0, totalCpuMs = 0.0;
    int late = 0;  // periods that took longer than a period lasts
};

// Renders the given number of periods of whatever the synthesizer's players
// play; keeps the samples in rendered when it is given.
inline PeriodTimes renderPeriods(fluid_synth_t* synth, int periods, double periodMs,
                                 std::vector<std::int16_t>* rendered = nullptr) {
    std::vector<std::int16_t> buffer(std::size_t{2} * periodFrames);
    PeriodTimes t;
    for (int p = 0; p < periods; ++p) {
        const auto s = Clock::now();
        const double c0 = threadCpuMs();
        fluid_synth_write_s16(synth, periodFrames, buffer.data(), 0, 2, buffer.data(), 1, 2);
        const double ms = msSince(s);
        const double cpu = threadCpuMs() - c0;
        if (p == 0) t.firstMs = ms, t.firstCpuMs = cpu;
        t.worstMs = std::max(t.worstMs, ms);
        t.totalMs += ms;
        t.totalCpuMs += cpu;
        if (ms > periodMs) ++t.late;
        if (rendered != nullptr) rendered->insert(rendered->end(), buffer.begin(), buffer.end());
    }
    return t;
}

}  // namespace probe
