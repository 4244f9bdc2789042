// The sound module on the real back end (SDL + fluidsynth): effect requests
// and music commands. The time from a click to its sound in the output stream
// is click_to_sound's.

#include <benchmark/benchmark.h>

#include "BenchContext.h"
#include "Samples.h"

namespace bench {
namespace {

bool needSound(benchmark::State& state) {
    if (!context().probes().audioAvailable()) {
        state.SkipWithError("no audio device: set SDL_AUDIODRIVER=dummy");
        return false;
    }
    return true;
}

bool needMusic(benchmark::State& state) {
    if (!needSound(state)) return false;
    if (!context().soundfontLoaded) {
        state.SkipWithError("no soundfont: music is off");
        return false;
    }
    return true;
}

// An effect request on a silent channel: the path that starts a sound.
void wavePlayStart(benchmark::State& state, bool withMusic) {
    if (!(withMusic ? needMusic(state) : needSound(state))) return;
    Context& ctx = context();
    ctx.module->MidiStop();
    // A tune is open, as in a game, so the device is open and stays open.
    ctx.module->MidiOpen(ctx.music());
    if (withMusic) ctx.module->MidiPlay();
    ctx.probes().waitForDevice();
    const std::string effect = ctx.cutSound();
    Samples samples;
    long started = 0;
    for (auto _ : state) {
        ctx.haltEffect();
        const auto t0 = Clock::now();
        started += ctx.module->WavePlay(effect);
        samples.add(state, Clock::now() - t0);
    }
    samples.report(state);
    state.counters["started"] =
        benchmark::Counter(static_cast<double>(started), benchmark::Counter::kAvgIterations);
    ctx.module->MidiStop();
    ctx.haltEffect();
}

// A request while the effect still sounds: dropped at once, as the flags ask.
void wavePlayDropped(benchmark::State& state) {
    if (!needSound(state)) return;
    Context& ctx = context();
    const std::string effect = ctx.cutSound();
    ctx.module->MidiOpen(ctx.music());
    ctx.probes().waitForDevice();
    ctx.haltEffect();
    ctx.module->WavePlay(effect);
    long started = 0;
    for (auto _ : state) started += ctx.module->WavePlay(effect);
    // Non-zero only when the effect ended during the run and was started again.
    state.counters["started"] =
        benchmark::Counter(static_cast<double>(started), benchmark::Counter::kAvgIterations);
    ctx.haltEffect();
}

void midiOpenPlay(benchmark::State& state) {
    if (!needMusic(state)) return;
    Context& ctx = context();
    const std::string music = ctx.music();
    Samples samples;
    for (auto _ : state) {
        ctx.module->MidiStop();
        const auto t0 = Clock::now();
        const std::int32_t opened = ctx.module->MidiOpen(music);
        const std::int32_t played = ctx.module->MidiPlay();
        samples.add(state, Clock::now() - t0);
        if (opened != 0 || played != 0) {
            state.SkipWithError("MidiOpen or MidiPlay failed");
            break;
        }
    }
    samples.report(state);
    ctx.module->MidiStop();
}

void midiStop(benchmark::State& state) {
    if (!needMusic(state)) return;
    Context& ctx = context();
    ctx.module->MidiOpen(ctx.music());
    Samples samples;
    for (auto _ : state) {
        ctx.module->MidiPlay();
        const auto t0 = Clock::now();
        ctx.module->MidiStop();
        samples.add(state, Clock::now() - t0);
    }
    samples.report(state);
}

}  // namespace

void registerEffectCoverageBenchmarks();

void registerSoundBenchmarks() {
    using benchmark::kMicrosecond;
    registerEffectCoverageBenchmarks();
    benchmark::RegisterBenchmark("Effect/WavePlay/start", wavePlayStart, false)
        ->UseManualTime()
        ->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("Effect/WavePlay/start_music_playing", wavePlayStart, true)
        ->UseManualTime()
        ->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("Effect/WavePlay/dropped_while_sounding", wavePlayDropped);
    benchmark::RegisterBenchmark("Music/MidiOpen+MidiPlay", midiOpenPlay)
        ->UseManualTime()
        ->Unit(kMicrosecond)
        ->Iterations(quickRun() ? 5 : 300);
    benchmark::RegisterBenchmark("Music/MidiStop", midiStop)
        ->UseManualTime()
        ->Unit(kMicrosecond)
        ->Iterations(quickRun() ? 5 : 300);
}

}  // namespace bench
