// The sound module on the real back end (SDL_mixer + fluidsynth): effect
// requests, music commands, and the time from a click to the first sample of
// its effect in the mixer.

#include <SDL.h>
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <atomic>
#include <random>
#include <thread>

#include "BenchContext.h"
#include "FormSurface.h"
#include "Samples.h"

namespace bench {
namespace {

constexpr int effectChannel = 0;

bool needSound(benchmark::State& state) {
    if (!context().sound->audioAvailable()) {
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
void WavePlayStart(benchmark::State& state, bool withMusic) {
    if (!(withMusic ? needMusic(state) : needSound(state))) return;
    Context& ctx = context();
    ctx.module->MidiStop();
    // A tune is open, as in a game, so the device is open and stays open.
    ctx.module->MidiOpen(ctx.music());
    if (withMusic) ctx.module->MidiPlay();
    ctx.sound->waitForDevice();
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
void WavePlayDropped(benchmark::State& state) {
    if (!needSound(state)) return;
    Context& ctx = context();
    const std::string effect = ctx.cutSound();
    ctx.module->MidiOpen(ctx.music());
    ctx.sound->waitForDevice();
    ctx.haltEffect();
    ctx.module->WavePlay(effect);
    long started = 0;
    for (auto _ : state) started += ctx.module->WavePlay(effect);
    // Non-zero only when the effect ended during the run and was started again.
    state.counters["started"] =
        benchmark::Counter(static_cast<double>(started), benchmark::Counter::kAvgIterations);
    ctx.haltEffect();
}

void MidiOpenPlay(benchmark::State& state) {
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

void MidiStop(benchmark::State& state) {
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

// When the mixer first pulls samples of the effect channel. The callback runs
// on the audio thread, inside the mixer, just before the channel's samples
// are added to the buffer that goes to the device.
struct MixerProbe {
    std::atomic<std::int64_t> firstNs{-1};
};

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

void SDLCALL onEffectSamples(int, void*, int, void* udata) {
    auto* probe = static_cast<MixerProbe*>(udata);
    std::int64_t none = -1;
    probe->firstNs.compare_exchange_strong(none, nowNs(), std::memory_order_relaxed);
}

// A press on the form's surface where the image is, as a player's click.
void sendClick(kit::ImageControl* image) {
    QWidget* widget = image->surface();
    const QPointF at = image->geometry().center();
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

// From a mouse press delivered to a target to the first sample of the cut
// effect in the mixer, with the music playing as in a game. Each trial starts
// at a random phase of the audio period, so the samples cover the wait for
// the next callback fairly. The device's own queue comes on top of this.
void EffectLatency(benchmark::State& state) {
    if (!needMusic(state)) return;
    Context& ctx = context();
    Form1& f = startedGame();
    // The mixer may be touched only once the service's thread has opened it.
    if (!ctx.sound->waitForDevice()) {
        state.SkipWithError("the audio device did not open");
        return;
    }
    const mm::AudioFormat format = ctx.sound->audioFormat();
    const double periodUs = format.frequency > 0 && format.bufferFrames > 0
                                ? 1e6 * format.bufferFrames / format.frequency
                                : 12000.0;
    std::mt19937 rng(20240601);
    std::uniform_real_distribution<double> phase(0.0, periodUs);
    MixerProbe probe;
    Samples samples;
    long missed = 0;
    for (auto _ : state) {
        ctx.haltEffect();  // also drops the previous trial's probe
        f.score = 0;
        f.Image1->setTop(homeTop);
        probe.firstNs.store(-1);
        if (Mix_RegisterEffect(effectChannel, onEffectSamples, nullptr, &probe) == 0) {
            state.SkipWithError("cannot watch the effect channel");
            break;
        }
        std::this_thread::sleep_for(std::chrono::duration<double, std::micro>(phase(rng)));
        const std::int64_t t0 = nowNs();
        sendClick(f.Image1);
        const auto deadline = Clock::now() + std::chrono::milliseconds(500);
        while (probe.firstNs.load() < 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        const std::int64_t t1 = probe.firstNs.load();
        if (t1 < 0) {
            ++missed;
            state.SetIterationTime(0.5);
            continue;
        }
        samples.add(state, std::chrono::nanoseconds(t1 - t0));
    }
    ctx.haltEffect();
    samples.report(state);
    state.counters["missed"] = static_cast<double>(missed);
    state.counters["buffer_frames"] = ctx.sound->audioFormat().bufferFrames;
    state.counters["rate_hz"] = format.frequency;
    const char* driver = SDL_GetCurrentAudioDriver();
    state.SetLabel(std::string("driver=") + (driver != nullptr ? driver : "none"));
    stoppedGame();
}

}  // namespace

void registerEffectCoverageBenchmarks();

void registerSoundBenchmarks() {
    using benchmark::kMicrosecond;
    registerEffectCoverageBenchmarks();
    benchmark::RegisterBenchmark("Effect/WavePlay/start", WavePlayStart, false)
        ->UseManualTime()
        ->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("Effect/WavePlay/start_music_playing", WavePlayStart, true)
        ->UseManualTime()
        ->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("Effect/WavePlay/dropped_while_sounding", WavePlayDropped);
    benchmark::RegisterBenchmark("Music/MidiOpen+MidiPlay", MidiOpenPlay)
        ->UseManualTime()
        ->Unit(kMicrosecond)
        ->Iterations(quickRun() ? 5 : 300);
    benchmark::RegisterBenchmark("Music/MidiStop", MidiStop)
        ->UseManualTime()
        ->Unit(kMicrosecond)
        ->Iterations(quickRun() ? 5 : 300);
    benchmark::RegisterBenchmark("Effect/latency_click_to_mixer", EffectLatency)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(quickRun() ? 5 : 200);
}

}  // namespace bench
