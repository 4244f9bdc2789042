// The effects and the mix as a player hears them:
//
//   mix_probe DATA_DIR                 the effects, and each tune mixed offline
//   mix_probe --disk SECONDS DATA_DIR  the real back end, into SDL's disk driver
//
// Offline, each effect is described (length, peak and when it comes, its
// loudness over its own length, how its energy splits below 1 kHz and above
// 2 kHz), and each tune is rendered through the game's synthesizer settings
// and played over by a player who cuts five times a second and loses a life
// every two seconds, just before a cut, as the cutting benchmark's player
// does at Normal; effect requests keep the no-stop rule (a clip starts at the
// next period, a request while one sounds is dropped). The mix is
// made twice: as the mixer made it before (sum, clipped in 16 bits) and with
// the back end's headroom and limiter. Printed: the samples at full scale in
// each, and how far a deflect and a pair of cuts lift the 400 ms loudness of
// the mix over the music alone in the same 400 ms.
//
// With --disk the same player drives the real back end in real time for
// SECONDS (run it with SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE=out.raw);
// the file is then read back and its full-scale samples counted.

#include <SDL.h>
#include <ebur128.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "DataFiles.h"
#include "FluidSequencer.h"
#include "Limiter.h"
#include "SoundProbes.h"
#include "SystemMultimedia.h"

namespace {

constexpr int sampleRateHz = 44100;
constexpr long periodLength = mm::AudioOutput::periodFrames;

std::vector<std::int16_t> readWav(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<char> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> mono;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        std::uint32_t len = 0;
        std::memcpy(&len, &b[at + 4], 4);
        if (std::memcmp(&b[at], "data", 4) == 0) {
            for (std::size_t i = at + 8; i + 1 < at + 8 + len && i + 1 < b.size(); i += 2) {
                std::int16_t s = 0;
                std::memcpy(&s, &b[i], 2);
                mono.push_back(s);
            }
            break;
        }
        at += 8 + len + (len & 1);
    }
    return mono;
}

double loudness(const std::int16_t* stereo, long frames, unsigned long windowMs) {
    ebur128_state* st = ebur128_init(2, sampleRateHz, EBUR128_MODE_M);
    ebur128_set_max_window(st, std::max(windowMs, 400ul));
    ebur128_add_frames_short(st, stereo, static_cast<std::size_t>(frames));
    double result = -HUGE_VAL;
    ebur128_loudness_window(st, windowMs, &result);
    ebur128_destroy(&st);
    return result;
}

double integrated(const std::vector<std::int16_t>& stereo) {
    ebur128_state* st = ebur128_init(2, sampleRateHz, EBUR128_MODE_I);
    ebur128_add_frames_short(st, stereo.data(), stereo.size() / 2);
    double result = -HUGE_VAL;
    ebur128_loudness_global(st, &result);
    ebur128_destroy(&st);
    return result;
}

void describeEffect(const char* name, const std::vector<std::int16_t>& mono) {
    std::vector<std::int16_t> stereo;
    for (std::int16_t s : mono) stereo.insert(stereo.end(), {s, s});
    const auto peak = std::max_element(mono.begin(), mono.end(),
                                       [](int a, int b) { return std::abs(a) < std::abs(b); });
    const auto n = static_cast<double>(mono.size());
    double low = 0, high = 0, total = 0, weighted = 0;
    for (std::size_t k = 1; k < mono.size() / 2; ++k) {
        const std::complex<double> step = std::polar(1.0, -2 * M_PI * static_cast<double>(k) / n);
        std::complex<double> sum = 0, w = 1;
        for (int v : mono) sum += static_cast<double>(v) * w, w *= step;
        const double hz = static_cast<double>(k) * sampleRateHz / n, e = std::norm(sum);
        total += e, weighted += e * hz;
        low += hz < 1000 ? e : 0;
        high += hz >= 2000 ? e : 0;
    }
    const auto ms = static_cast<unsigned long>(1000 * mono.size() / sampleRateHz);
    std::printf(
        "%-11s %4lu ms, peak %5d (%.1f dBFS) at %.1f ms, %.2f LUFS over its length, "
        "energy %2.0f %% < 1 kHz, %2.0f %% >= 2 kHz, centroid %.0f Hz\n",
        name, ms, std::abs(int{*peak}), 20 * std::log10(std::abs(int{*peak}) / 32768.0),
        1000.0 * static_cast<double>(peak - mono.begin()) / sampleRateHz,
        loudness(stereo.data(), static_cast<long>(mono.size()), ms), 100 * low / total,
        100 * high / total, weighted / total);
}

std::vector<std::int16_t> renderTune(const std::string& path) {
    std::string error;
    auto seq = mm::FluidSequencer::create(mm::gameSoundfont, sampleRateHz, error);
    std::vector<std::uint8_t> smf;
    mm::SequencerDevice::Handle h = 0;
    if (!seq || mm::loadMidiFile(path, smf) != mm::SeqError::None ||
        seq->open(path, smf, h) != mm::SeqError::None || seq->play(h) != mm::SeqError::None)
        return {};
    std::vector<std::int16_t> out, period(2 * periodLength);
    for (int i = 0; i < 200L * sampleRateHz / periodLength && seq->isPlaying(h); ++i) {
        seq->render(period.data(), periodLength);
        out.insert(out.end(), period.begin(), period.end());
    }
    return out;
}

struct Play {
    long frame;  // where the clip starts, a period boundary
    bool deflect;
};

// The player: a cut every 200 ms; every two seconds a life is lost 10 ms
// before a cut. Requests while a clip sounds are dropped.
std::vector<Play> play(long frames, long cutFrames, long deflectFrames, long& cuts, long& cutsHeard,
                       long& deflects, long& deflectsHeard) {
    std::vector<Play> started;
    long silentAt = 0;
    auto request = [&](long at, bool deflect, long& asked, long& heard) {
        ++asked;
        if (at < silentAt) return;
        const long first = (at / periodLength + 1) * periodLength;
        const long length = deflect ? deflectFrames : cutFrames;
        silentAt = first + ((length + periodLength - 1) / periodLength - 1) * periodLength;
        started.push_back({first, deflect});
        ++heard;
    };
    cuts = cutsHeard = deflects = deflectsHeard = 0;
    for (long t = sampleRateHz / 5, n = 1; t + sampleRateHz / 2 < frames;
         t += sampleRateHz / 5, ++n) {
        if (n % 10 == 0) request(t - sampleRateHz / 100, true, deflects, deflectsHeard);
        request(t, false, cuts, cutsHeard);
    }
    return started;
}

// Music and effects summed and clamped in 16 bits (as the mixer did before
// the limiter), or summed in 32 bits and limited, as the back end does.
std::vector<std::int16_t> mix(const std::vector<std::int16_t>& music,
                              const std::vector<Play>& plays, const std::vector<std::int16_t>& cut,
                              const std::vector<std::int16_t>& deflect, bool limited) {
    std::vector<std::int16_t> track(music.size());
    for (const Play& p : plays) {
        const auto& clip = p.deflect ? deflect : cut;
        for (std::size_t i = 0; i < clip.size(); ++i) {
            const std::size_t at = 2 * (static_cast<std::size_t>(p.frame) + i);
            if (at + 1 >= track.size()) break;
            track[at] = track[at + 1] = clip[i];
        }
    }
    std::vector<std::int16_t> out(music.size());
    if (!limited) {
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<std::int16_t>(std::clamp(music[i] + track[i], -32768, 32767));
        return out;
    }
    out = music;
    mm::Limiter limiter(sampleRateHz);
    for (std::size_t at = 0; at < out.size(); at += 2 * periodLength) {
        const int frames =
            static_cast<int>(std::min<std::size_t>(periodLength, (out.size() - at) / 2));
        limiter.mix(out.data() + at, track.data() + at, frames, frames);
    }
    return out;
}

long fullScale(const std::vector<std::int16_t>& s) {
    return std::count_if(s.begin(), s.end(),
                         [](std::int16_t v) { return v >= 32767 || v <= -32767; });
}

void lifts(const char* what, const std::vector<std::int16_t>& music,
           const std::vector<std::int16_t>& mixed, const std::vector<long>& starts,
           double tuneLufs) {
    std::vector<double> overAlone, overTune;
    const long window = 400L * sampleRateHz / 1000;
    for (long s : starts) {
        if (2 * (s + window) > static_cast<long>(music.size())) break;
        const double m = loudness(mixed.data() + 2 * s, window, 400);
        const double alone = loudness(music.data() + 2 * s, window, 400);
        if (!std::isfinite(alone)) continue;
        overAlone.push_back(m - alone);
        overTune.push_back(m - tuneLufs);
    }
    if (overAlone.empty()) return;
    std::sort(overAlone.begin(), overAlone.end());
    std::sort(overTune.begin(), overTune.end());
    const auto at = [](const std::vector<double>& v, double q) {
        return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
    };
    std::printf(
        "    %-9s lifts the 400 ms loudness over the music there by median %+.1f LU (10 %% %+.1f, "
        "min %+.1f),"
        " over the tune's loudness by median %+.1f LU (min %+.1f), %zu times\n",
        what, at(overAlone, 0.5), at(overAlone, 0.1), overAlone.front(), at(overTune, 0.5),
        overTune.front(), overAlone.size());
}

int offline(const std::string& dir) {
    const auto cut = readWav(dir + "/" + data_files::cut);
    const auto deflect = readWav(dir + "/" + data_files::deflect);
    if (cut.empty() || deflect.empty()) return 1;
    describeEffect(data_files::cut, cut);
    describeEffect(data_files::deflect, deflect);
    for (const char* tune : {data_files::tune, data_files::specialTune}) {
        const auto music = renderTune(dir + "/" + tune);
        if (music.empty()) return 1;
        const double lufs = integrated(music);
        long cuts, cutsHeard, deflects, deflectsHeard;
        const auto plays =
            play(static_cast<long>(music.size() / 2), static_cast<long>(cut.size()),
                 static_cast<long>(deflect.size()), cuts, cutsHeard, deflects, deflectsHeard);
        const auto before = mix(music, plays, cut, deflect, false);
        const auto after = mix(music, plays, cut, deflect, true);
        std::printf("%s: %.2f LUFS, %.0f s; cuts heard %ld of %ld, deflects heard %ld of %ld\n",
                    tune, lufs, static_cast<double>(music.size()) / 2 / sampleRateHz, cutsHeard,
                    cuts, deflectsHeard, deflects);
        std::printf(
            "  full-scale samples: music alone %ld, mixed as before %ld, with headroom and limiter "
            "%ld"
            " (of %zu); mix %.2f / %.2f LUFS\n",
            fullScale(music), fullScale(before), fullScale(after), music.size(), integrated(before),
            integrated(after));
        // The lift of one effect by itself, every 1.5 s over the tune, and of
        // two cuts 200 ms apart (five a second) in one 400 ms.
        std::vector<long> starts;
        for (long s = sampleRateHz; s + sampleRateHz < static_cast<long>(music.size() / 2);
             s += 3 * sampleRateHz / 2)
            starts.push_back(s / periodLength * periodLength);
        std::vector<Play> lone, pairs;
        for (long s : starts) lone.push_back({s, true});
        for (long s : starts)
            pairs.insert(pairs.end(),
                         {{s, false}, {s + sampleRateHz / 5 / periodLength * periodLength, false}});
        for (bool limited : {false, true}) {
            std::printf("  %s\n", limited ? "with headroom and limiter:" : "mixed as before:");
            lifts("hajiku", music, mix(music, lone, cut, deflect, limited), starts, lufs);
            lifts("kiru x2", music, mix(music, pairs, cut, deflect, limited), starts, lufs);
        }
    }
    return 0;
}

int disk(double seconds, const std::string& dir) {
    const char* file = std::getenv("SDL_DISKAUDIOFILE");
    if (!file ||
        std::string(SDL_getenv("SDL_AUDIODRIVER") ? SDL_getenv("SDL_AUDIODRIVER") : "") != "disk") {
        std::fprintf(stderr, "set SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
        return 2;
    }
    long cuts = 0, cutsHeard = 0, deflects = 0, deflectsHeard = 0;
    {
        mm::SystemMultimedia sound;
        if (!mm::SoundProbes(sound).waitForSoundfont()) return 1;
        mm::SoundProbes(sound).preloadSound(dir + "/" + data_files::cut);
        mm::SoundProbes(sound).preloadSound(dir + "/" + data_files::deflect);
        sound.sendString("open " + dir + "/" + data_files::tune + " type sequencer alias midifile");
        sound.sendString("play midifile");
        if (!mm::SoundProbes(sound).waitForDevice()) return 1;
        const auto start = std::chrono::steady_clock::now();
        for (long n = 1; static_cast<double>(n) * 0.2 < seconds; ++n) {
            std::this_thread::sleep_until(
                start + std::chrono::milliseconds(200 * n - (n % 10 == 0 ? 10 : 0)));
            if (n % 10 == 0) {
                ++deflects;
                deflectsHeard += sound.playSound(dir + "/" + data_files::deflect, 0x13) != 0;
                std::this_thread::sleep_until(start + std::chrono::milliseconds(200 * n));
            }
            ++cuts;
            cutsHeard += sound.playSound(dir + "/" + data_files::cut, 0x13) != 0;
        }
        sound.sendString("stop midifile");
        sound.sendString("close midifile");
    }
    std::ifstream f(file, std::ios::binary);
    const std::vector<char> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> pcm(b.size() / 2);
    std::memcpy(pcm.data(), b.data(), pcm.size() * 2);
    std::printf(
        "disk: %.1f s of output, %ld full-scale samples of %zu, peak %d; cuts heard %ld of %ld, "
        "deflects heard %ld of %ld; %.2f LUFS\n",
        static_cast<double>(pcm.size()) / 2 / sampleRateHz, fullScale(pcm), pcm.size(),
        pcm.empty() ? 0
                    : std::abs(int{*std::max_element(
                          pcm.begin(), pcm.end(),
                          [](auto a, auto c) { return std::abs(int{a}) < std::abs(int{c}); })}),
        cutsHeard, cuts, deflectsHeard, deflects, integrated(pcm));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) return offline(argv[1]);
    if (argc == 4 && std::string(argv[1]) == "--disk") return disk(std::atof(argv[2]), argv[3]);
    std::fprintf(stderr, "usage: %s DATA_DIR | --disk SECONDS DATA_DIR\n", argv[0]);
    return 2;
}
