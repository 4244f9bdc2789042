// The first audio periods of the game's tunes and what the synthesizer costs
// at a given rate and interpolation, outside the game: how long fluidsynth
// takes to render each period from the tune's first note, with all samples
// loaded at once or with dynamic sample loading (which reads a preset's
// samples when it is selected), with or without the game's pinning of the
// tune's presets before play (mm::pinPresets, as FluidSequencer::prepare does
// on the sound thread). --resample instead times SDL's converter taking a
// stream of that rate to 44.1 and 48 kHz, as SDL does when a device runs at
// another rate than the stream it is given. --wav writes each rendering.
//
//   first_period_probe [--dynamic] [--pin] [--rate HZ] [--interp 0|1|4|7]
//                      [--blocks N] [--wav OUT_PREFIX] TUNE.mid...
//   first_period_probe --resample [--rate HZ]
//
// The soundfont is the one the game picks ($ZANRAI_SOUNDFONT, else the
// system default); reverb and chorus are off, so the figures are the
// synthesizer's own.

#include <SDL.h>
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FluidSequencer.h"
#include "ProbeMeasures.h"
#include "ProbeSynth.h"
#include "TunePresets.h"

namespace {

using namespace probe;

void writeWav(const std::string& path, const std::vector<std::int16_t>& pcm, int rate) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<std::uint32_t>(pcm.size() * 2);
    out.write("RIFF", 4), u32(36 + bytes), out.write("WAVEfmt ", 8), u32(16), u16(1), u16(2);
    u32(static_cast<std::uint32_t>(rate)), u32(static_cast<std::uint32_t>(rate) * 4), u16(4),
        u16(16);
    out.write("data", 4), u32(bytes);
    out.write(reinterpret_cast<const char*>(pcm.data()), bytes);
}

// SDL's converter from a stream at rate to a device at 44.1 and 48 kHz, per
// second of audio, as a share of one core.
int resample(int rate) {
    for (int target : {44100, 48000}) {
        SDL_AudioStream* stream =
            SDL_NewAudioStream(AUDIO_S16SYS, 2, rate, AUDIO_S16SYS, 2, target);
        if (stream == nullptr) {
            std::fprintf(stderr, "SDL_NewAudioStream: %s\n", SDL_GetError());
            return 1;
        }
        std::vector<std::int16_t> in(std::size_t{2} * periodFrames),
            out(std::size_t{2} * 4 * periodFrames);
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = static_cast<std::int16_t>((i * 37) % 20000);
        const int seconds = 60;
        const int periods = seconds * rate / periodFrames;
        const auto t0 = Clock::now();
        for (int p = 0; p < periods; ++p) {
            SDL_AudioStreamPut(stream, in.data(), static_cast<int>(in.size() * 2));
            while (SDL_AudioStreamAvailable(stream) > 0)
                SDL_AudioStreamGet(stream, out.data(), static_cast<int>(out.size() * 2));
        }
        const double ms = msSince(t0);
        std::printf(
            "SDL resampling %d -> %d Hz: %.3f ms per second of audio (%.3f %% of a core), "
            "%.4f ms per %d-frame period\n",
            rate, target, ms / seconds, ms / seconds / 10.0, ms / periods, periodFrames);
        SDL_FreeAudioStream(stream);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    bool dynamic = false, pin = false, resampleOnly = false;
    int blocks = 2000, rate = 44100, interp = FLUID_INTERP_DEFAULT;
    std::string wavPrefix;
    std::vector<std::string> tunes;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool value = i + 1 < argc;
        if (a == "--dynamic")
            dynamic = true;
        else if (a == "--pin")
            pin = true;
        else if (a == "--resample")
            resampleOnly = true;
        else if (a == "--blocks" && value)
            blocks = std::max(1, std::atoi(argv[++i]));
        else if (a == "--rate" && value)
            rate = std::atoi(argv[++i]);
        else if (a == "--interp" && value)
            interp = std::atoi(argv[++i]);
        else if (a == "--wav" && value)
            wavPrefix = argv[++i];
        else
            tunes.push_back(a);
    }
    if (resampleOnly) return resample(rate);
    const std::string soundfont = mm::findSoundfont();
    if (soundfont.empty() || tunes.empty()) {
        std::fprintf(stderr,
                     "usage: first_period_probe [--dynamic] [--pin] [--rate HZ] [--interp N] "
                     "[--blocks N] [--wav PREFIX] TUNE.mid...\n"
                     "       first_period_probe --resample [--rate HZ]\n");
        return 2;
    }
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);

    ProbeSynth probe;
    fluid_settings_setnum(probe.settings, "synth.sample-rate", rate);
    fluid_settings_setint(probe.settings, "synth.reverb.active", 0);
    fluid_settings_setint(probe.settings, "synth.chorus.active", 0);
    fluid_settings_setint(probe.settings, "synth.dynamic-sample-loading", dynamic ? 1 : 0);
    std::printf("soundfont %s, %s sample loading%s, %d Hz, interpolation %d\n", soundfont.c_str(),
                dynamic ? "dynamic" : "full", pin ? ", presets pinned before play" : "", rate,
                interp);
    if (!probe.load(soundfont)) return 1;
    fluid_synth_t* synth = probe.synth;
    fluid_synth_set_interp_method(synth, -1, interp);

    const double periodMs = 1000.0 * periodFrames / rate;
    std::set<std::pair<int, int>> pinned;
    for (const std::string& tune : tunes) {
        std::ifstream in(tune, std::ios::binary);
        const std::vector<std::uint8_t> smf((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
        if (pin) {
            std::set<std::pair<int, int>> wanted = mm::tunePresets(smf);
            wanted.emplace(0, 0);
            wanted.emplace(128, 0);
            const auto p0 = Clock::now();
            const double c0 = threadCpuMs();
            mm::pinPresets(synth, wanted, pinned);
            std::printf("  %s: presets pinned in %.2f ms (CPU %.2f ms, %zu presets)\n",
                        tune.c_str(), msSince(p0), threadCpuMs() - c0, pinned.size());
        }
        fluid_player_t* player = new_fluid_player(synth);
        fluid_player_add_mem(player, smf.data(), smf.size());
        fluid_player_play(player);
        std::vector<std::int16_t> rendered;
        const PeriodTimes t =
            renderPeriods(synth, blocks, periodMs, wavPrefix.empty() ? nullptr : &rendered);
        std::printf(
            "  %s: first period %.2f ms (CPU %.2f ms), mean %.3f ms, CPU %.2f %% of a "
            "core, worst %.2f ms, %d of %d over %.1f ms\n",
            tune.c_str(), t.firstMs, t.firstCpuMs, t.totalMs / blocks,
            100.0 * t.totalCpuMs / blocks / periodMs, t.worstMs, t.late, blocks, periodMs);
        if (!wavPrefix.empty()) {
            const std::string name = tune.substr(tune.find_last_of('/') + 1);
            writeWav(wavPrefix + name + ".wav", rendered, rate);
        }
        fluid_player_stop(player);
        delete_fluid_player(player);
        fluid_synth_all_sounds_off(synth, -1);
    }
    std::printf("  peak RSS of the process %.1f MiB\n",
                static_cast<double>(statusKiB("VmHWM:")) / 1024.0);
    return 0;
}
