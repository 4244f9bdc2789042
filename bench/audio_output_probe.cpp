// The sound output as a player meets it, on the real back end (SDL and
// fluidsynth, through mm::SystemMultimedia):
//
// NO_MUSIC=1 leaves the tune silent. PERIOD=FRAMES in the environment opens the device with another
// period than the game's, for comparison.
//
//   audio_output_probe --latency N DATA_DIR   (SDL_AUDIODRIVER=disk, SDL_DISKAUDIOFILE=out.raw)
//       plays bgm.dat and asks for the cut (kiru.dat) N times at random
//       moments, 150 to 160 ms apart, noting where the stream is at each
//       request; afterwards finds each cut in the written stream by a matched
//       filter against kiru.dat and prints the distribution of the time from
//       the request to the cut's first sample above -30 dBFS.
//   audio_output_probe --late SECONDS DATA_DIR
//       plays bgm.dat with a cut every 200 ms for SECONDS and counts late
//       periods by the callback's own clock.
//   audio_output_probe --cpu SECONDS DATA_DIR
//       the CPU time of the audio thread playing SECONDS of bgm.dat, side by
//       side with fluidsynth rendering the same SECONDS by itself with the
//       game's settings (applyGameSynthSettings), alone in a loop (the floor);
//       then, with --after-end, the audio thread once the tune has ended.
//   audio_output_probe --wake SECONDS
//       a thread that only sleeps until the next period, for SECONDS: what
//       one wake-up a period costs here whatever the callback does.
//
// Where the stream is at a request: the output hands each period to the
// device as the callback ends, and the disk driver then "plays" it while it
// sleeps until the next one. A request at time t, after the period that
// ended at T and brought the stream to F frames, is therefore at play
// position F - period + (t - T) * rate (never past F): the latency counts
// the rest of the period playing then. The latency against F itself (the
// stream's size at the request) is printed too.

#include <dirent.h>
#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "DataFiles.h"
#include "FluidSequencer.h"
#include "ProbeMeasures.h"
#include "SoundProbes.h"
#include "SystemMultimedia.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int sampleRateHz = mm::AudioOutput::sampleRate;
int g_period = mm::AudioOutput::periodFrames;
constexpr std::uint32_t gameFlags = mm::SND_ASYNC | mm::SND_NODEFAULT | mm::SND_NOSTOP;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// One entry per period, written by the audio callback.
struct PeriodLog {
    struct Period {
        std::int64_t endNs;
        std::int64_t frames;  // the stream's length once this period is out
    };
    std::vector<Period> periods = std::vector<Period>(1 << 20);
    std::atomic<std::size_t> count{0};
    std::int64_t frames = 0;

    static void tap(void* self, const std::int16_t*, int frames) {
        auto* log = static_cast<PeriodLog*>(self);
        log->frames += frames;
        const std::size_t n = log->count.load(std::memory_order_relaxed);
        if (n < log->periods.size()) {
            log->periods[n] = {nowNs(), log->frames};
            log->count.store(n + 1, std::memory_order_release);
        }
    }
};

std::vector<std::int16_t> readPcm(const std::string& path, std::size_t skip) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<char> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> pcm((b.size() > skip ? b.size() - skip : 0) / 2);
    std::memcpy(pcm.data(), b.data() + skip, pcm.size() * 2);
    return pcm;
}

// The samples of a 16-bit mono WAV as the game's generator writes it.
std::vector<std::int16_t> readClip(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<char> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    for (std::size_t at = 12; at + 8 <= b.size();) {
        std::uint32_t len = 0;
        std::memcpy(&len, &b[at + 4], 4);
        if (std::memcmp(&b[at], "data", 4) == 0) {
            std::vector<std::int16_t> mono(std::min<std::size_t>(len, b.size() - at - 8) / 2);
            std::memcpy(mono.data(), &b[at + 8], mono.size() * 2);
            return mono;
        }
        at += 8 + len + (len & 1);
    }
    return {};
}

double quantile(std::vector<double> v, double q) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(std::lround(q * static_cast<double>(v.size() - 1)))];
}

void printDistribution(const char* what, const std::vector<double>& v, const char* unit = "ms") {
    std::printf("%s: median %.2f %s, p90 %.2f %s, max %.2f %s, min %.2f %s (%zu)\n", what,
                quantile(v, 0.5), unit, quantile(v, 0.9), unit, quantile(v, 1.0), unit,
                quantile(v, 0.0), unit, v.size());
}

bool startMusic(mm::SystemMultimedia& sound, const std::string& dir) {
    if (!mm::SoundProbes(sound).preloadSound(dir + "/" + data_files::cut)) return false;
    mm::SoundProbes(sound).preloadSound(dir + "/" + data_files::deflect);
    if (sound.sendString("open " + dir + "/" + data_files::tune +
                         " type sequencer alias midifile") != 0)
        return false;
    // NO_MUSIC=1: the tune opened but not played, so a cut stands alone in
    // the stream and the matched filter sees it whole.
    if (std::getenv("NO_MUSIC") == nullptr) sound.sendString("play midifile");
    return mm::SoundProbes(sound).waitForDevice();
}

int latency(int requests, const std::string& dir) {
    const char* file = std::getenv("SDL_DISKAUDIOFILE");
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (file == nullptr || driver == nullptr || std::string(driver) != "disk") {
        std::fprintf(stderr, "set SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
        return 2;
    }
    const std::vector<std::int16_t> clip = readClip(dir + "/" + data_files::cut);
    const auto audible = std::find_if(clip.begin(), clip.end(), [](std::int16_t s) {
        return std::abs(int{s}) > 32768.0 * std::pow(10.0, -30.0 / 20.0);
    });
    if (clip.empty() || audible == clip.end()) return 1;
    const long onsetInClip = audible - clip.begin();

    struct Request {
        std::int64_t ns;
        bool started;
    };
    std::vector<Request> asked;
    std::vector<double> callUs;
    PeriodLog log;
    int period = 0;
    {
        mm::SystemMultimedia sound(g_period);
        mm::SoundProbes(sound).tapOutput(&PeriodLog::tap, &log);
        if (!startMusic(sound, dir)) return 1;
        period = mm::SoundProbes(sound).audioFormat().bufferFrames;
        std::mt19937 rng(20261208);
        std::uniform_int_distribution<int> jitterUs(0, 10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 0; i < requests; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(150000 + jitterUs(rng)));
            const std::int64_t t = nowNs();
            const bool started = sound.playSound(dir + "/" + data_files::cut, gameFlags) != 0;
            callUs.push_back(static_cast<double>(nowNs() - t) / 1e3);
            asked.push_back({t, started});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sound.sendString("stop midifile");
        sound.sendString("close midifile");
    }
    const std::vector<std::int16_t> pcm = readPcm(file, 0);
    const std::size_t periods = log.count.load();
    std::printf("stream %.1f s, %zu periods of %d frames; file %zu frames, tap %lld frames\n",
                static_cast<double>(pcm.size()) / 2 / sampleRateHz, periods, period, pcm.size() / 2,
                static_cast<long long>(periods ? log.periods[periods - 1].frames : 0));

    if (periods == 0 ||
        static_cast<std::int64_t>(pcm.size() / 2) != log.periods[periods - 1].frames) {
        std::printf(
            "the written stream and the periods the output handed over disagree: no figures\n");
        return 1;
    }
    // The clip as it is added to the stream: the same samples on both channels.
    double clipEnergy = 0;
    for (std::int16_t s : clip) clipEnergy += double(s) * s;
    std::vector<double> fromPlay, fromSize;
    int dropped = 0, unfound = 0, clipped = 0;
    double worstScore = 1, worstTail = 1;
    for (const Request& r : asked) {
        if (!r.started) {
            ++dropped;
            continue;
        }
        // The last period out before the request.
        const auto it = std::upper_bound(
            log.periods.begin(), log.periods.begin() + static_cast<long>(periods), r.ns,
            [](std::int64_t t, const PeriodLog::Period& p) { return t < p.endNs; });
        if (it == log.periods.begin()) continue;
        const PeriodLog::Period& last = *(it - 1);
        const double elapsed = static_cast<double>(r.ns - last.endNs) * 1e-9 * sampleRateHz;
        const double playAt =
            static_cast<double>(last.frames) - period + std::min<double>(period, elapsed);
        // Matched filter over the next 100 ms of the stream.
        const long from = std::max<long>(0, static_cast<long>(last.frames) - period);
        const long to =
            std::min<long>(from + sampleRateHz / 10,
                           static_cast<long>(pcm.size() / 2) - static_cast<long>(clip.size()));
        long best = -1;
        double bestScore = 0;
        for (long lag = from; lag < to; ++lag) {
            double dot = 0, energy = 0;
            for (std::size_t i = 0; i < clip.size(); ++i) {
                const double s = pcm[2 * (static_cast<std::size_t>(lag) + i)];
                dot += s * clip[i];
                energy += s * s;
            }
            const double score = dot / std::sqrt(energy * clipEnergy + 1.0);
            if (score > bestScore) bestScore = score, best = lag;
        }
        if (best < 0 || bestScore < 0.5) {
            ++unfound;
            continue;
        }
        for (std::size_t i = 0; i < clip.size(); ++i)
            clipped += std::abs(int{pcm[2 * (static_cast<std::size_t>(best) + i)]}) >= 32767;
        // A cut cut short would match in its beginning only: its last third
        // is matched on its own.
        double dot = 0, energy = 0, own = 0;
        for (std::size_t i = 2 * clip.size() / 3; i < clip.size(); ++i) {
            const double x = pcm[2 * (static_cast<std::size_t>(best) + i)];
            dot += x * clip[i], energy += x * x, own += double(clip[i]) * clip[i];
        }
        worstScore = std::min(worstScore, bestScore);
        worstTail = std::min(worstTail, dot / std::sqrt(energy * own + 1.0));
        const auto onset = static_cast<double>(best + onsetInClip);
        fromPlay.push_back(1e3 * (onset - playAt) / sampleRateHz);
        fromSize.push_back(1e3 * (onset - static_cast<double>(last.frames)) / sampleRateHz);
    }
    std::printf(
        "requests %zu, dropped %d (one effect at a time), not found %d, "
        "full-scale samples in the cuts %d\n",
        asked.size(), dropped, unfound, clipped);
    const auto loudest = std::max_element(
        pcm.begin(), pcm.end(),
        [](std::int16_t a, std::int16_t b) { return std::abs(int{a}) < std::abs(int{b}); });
    std::printf(
        "loudest sample of the stream %d; matched filter: lowest score %.3f over a whole "
        "cut, %.3f over its last third\n",
        loudest == pcm.end() ? 0 : std::abs(int{*loudest}), worstScore, worstTail);
    printDistribution("request to the cut's first audible sample, from the play position",
                      fromPlay);
    printDistribution("the same, from the stream's size at the request", fromSize);
    printDistribution("playSound call", callUs, "us");
    return 0;
}

// Gaps between the ends of successive periods, by the callback's own clock.
int late(double seconds, const std::string& dir) {
    PeriodLog log;
    int period = 0;
    long cuts = 0, heard = 0;
    {
        mm::SystemMultimedia sound(g_period);
        mm::SoundProbes(sound).tapOutput(&PeriodLog::tap, &log);
        if (!startMusic(sound, dir)) return 1;
        period = mm::SoundProbes(sound).audioFormat().bufferFrames;
        const auto start = Clock::now();
        for (long n = 1; static_cast<double>(n) * 0.2 < seconds; ++n) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(200 * n));
            ++cuts;
            heard += sound.playSound(dir + "/" + data_files::cut, gameFlags) != 0;
        }
        sound.sendString("stop midifile");
    }
    const double periodMs = 1e3 * period / sampleRateHz;
    std::vector<double> gaps;
    const std::size_t n = log.count.load();
    for (std::size_t i = 1; i < n; ++i)
        gaps.push_back(static_cast<double>(log.periods[i].endNs - log.periods[i - 1].endNs) / 1e6);
    const auto over = [&](double limit) {
        return std::count_if(gaps.begin(), gaps.end(), [&](double g) { return g > limit; });
    };
    std::printf("%zu periods of %d frames (%.2f ms) in %.1f s; cuts started %ld of %ld\n", n,
                period, periodMs, seconds, heard, cuts);
    printDistribution("gap between periods", gaps);
    std::printf(
        "late periods: gap > 1.5 periods %ld, > 2 periods (a double-buffered device runs "
        "dry) %ld\n",
        static_cast<long>(over(1.5 * periodMs)), static_cast<long>(over(2 * periodMs)));
    // SDL's ALSA driver asks for two periods in the device and writes each
    // period as its callback returns, blocking while both are queued: woken
    // when one period is left, it must write the next before that one has
    // played. The dummy and disk drivers sleep a whole number of
    // milliseconds after each callback instead, so what a period's gap holds
    // beyond that sleep (the callback, the wake-up's delay, preemption) is
    // replayed here after the moment a blocking write would have been woken.
    // Counting the callback after the wake-up rather than before it makes the
    // count err towards more underruns, never fewer.
    const int sleepWholeMs = period * 1000 / sampleRateHz;  // as SDL computes its sleep
    const double sleepMs = sleepWholeMs;
    long dry = 0;
    double written = 0, emptyAt = periodMs;
    for (double gap : gaps) {
        const double delay = std::max(0.0, gap - sleepMs);
        written = std::max(written, emptyAt - periodMs) + delay;
        if (written > emptyAt) {
            ++dry;
            emptyAt = written + periodMs;
        } else {
            emptyAt += periodMs;
        }
    }
    std::printf("underruns of a two-period device queue: %ld\n", dry);
    return 0;
}

// What a thread costs on this machine that only wakes once a period and goes
// back to sleep: the floor under any output woken by its device every period.
int wake(double seconds) {
    const double periodS = static_cast<double>(g_period) / sampleRateHz;
    double cpu = 0;
    long wakes = 0;
    std::vector<double> lateMs;
    std::thread t([&] {
        const double c0 = probe::threadCpuMs();
        const auto t0 = Clock::now();
        for (; static_cast<double>(wakes) * periodS < seconds; ++wakes) {
            const auto due =
                t0 + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(static_cast<double>(wakes) * periodS));
            std::this_thread::sleep_until(due);
            lateMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - due).count());
        }
        cpu = probe::threadCpuMs() - c0;
    });
    t.join();
    printDistribution("wake-up after its time", lateMs);
    std::printf("wake-ups more than one period late: %ld\n",
                static_cast<long>(std::count_if(lateMs.begin(), lateMs.end(),
                                                [&](double l) { return l > 1e3 * periodS; })));
    std::printf(
        "a thread woken every %d frames (%.2f ms), %.0f s: %ld wake-ups, %.1f ms CPU, "
        "%.3f %% of a core, %.1f us per wake-up\n",
        g_period, 1e3 * periodS, seconds, wakes, cpu, cpu / seconds / 10.0,
        1e3 * cpu / static_cast<double>(std::max(1L, wakes)));
    return 0;
}

// CPU time of the process's threads whose name starts with prefix, in ms.
double threadsCpuMs(const char* prefix) {
    double total = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return 0;
    while (const dirent* e = readdir(tasks)) {
        if (e->d_name[0] == '.') continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        std::ifstream comm(base + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind(prefix, 0) != 0) continue;
        std::ifstream sched(base + "/schedstat");
        double ns = 0;
        sched >> ns;
        total += ns / 1e6;
    }
    closedir(tasks);
    return total;
}

// fluidsynth alone: the same tune, the same settings, the same period.
// paced: one period per period of wall time, as a device's callback would be
// called, instead of back to back.
double floorCpuMs(const std::string& tune, double seconds, bool paced = false) {
    const std::string soundfont = mm::findSoundfont();
    fluid_settings_t* settings = new_fluid_settings();
    mm::applyGameSynthSettings(settings, sampleRateHz, soundfont);
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_synth_sfload(synth, soundfont.c_str(), 1);
    fluid_player_t* player = new_fluid_player(synth);
    fluid_player_add(player, tune.c_str());
    fluid_player_play(player);
    const int period = g_period;
    std::vector<std::int16_t> out(std::size_t{2} * period);
    const double c0 = probe::threadCpuMs();
    const auto t0 = Clock::now();
    for (long f = 0; f < static_cast<long>(seconds * sampleRateHz); f += period) {
        if (paced)
            std::this_thread::sleep_until(t0 +
                                          std::chrono::duration<double>(double(f) / sampleRateHz));
        fluid_synth_write_s16(synth, period, out.data(), 0, 2, out.data(), 1, 2);
    }
    const double cpu = probe::threadCpuMs() - c0;
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return cpu;
}

// Counts the frames the output hands to the device: the dummy driver paces
// itself in whole milliseconds, so a second of wall time is not a second of
// audio, and the floor renders exactly as many frames.
std::atomic<long> g_frames{0};
void countFrames(void*, const std::int16_t*, int frames) {
    g_frames.fetch_add(frames, std::memory_order_relaxed);
}

double gameAudioCpuMs(const std::string& dir, double seconds, bool afterEnd) {
    mm::SystemMultimedia sound(g_period);
    mm::SoundProbes(sound).tapOutput(&countFrames, nullptr);
    if (!startMusic(sound, dir)) return -1;
    const auto t0 = Clock::now();
    const long f0 = g_frames.load();
    const double c0 = threadsCpuMs("SDLAudio");
    std::this_thread::sleep_until(t0 + std::chrono::duration<double>(seconds));
    const double cpu = threadsCpuMs("SDLAudio") - c0;
    g_frames.store(g_frames.load() - f0);
    std::printf(
        "  game's audio thread, %.0f s of wall time, %.2f s of bgm.dat: %.1f ms CPU, "
        "%.3f %% of a core per second of audio\n",
        seconds, static_cast<double>(g_frames.load()) / sampleRateHz, cpu,
        cpu * sampleRateHz / std::max(1.0, static_cast<double>(g_frames.load())) / 10.0);
    if (afterEnd) {
        // bgm.dat lasts 77 s: play on past its end, then look again.
        for (;;) {
            const double w0 = threadsCpuMs("SDLAudio");
            std::this_thread::sleep_for(std::chrono::seconds(5));
            const double w = threadsCpuMs("SDLAudio") - w0;
            const double at = std::chrono::duration<double>(Clock::now() - t0).count();
            std::printf("  audio thread %4.0f-%4.0f s: %.3f %% of a core\n", at - 5, at, w / 50.0);
            if (at > 100) break;
        }
    }
    sound.sendString("stop midifile");
    return cpu;
}

int cpu(double seconds, bool afterEnd, const std::string& dir) {
    const std::string tune = dir + "/" + data_files::tune;
    std::printf("soundfont %s, %d-frame periods\n", mm::findSoundfont().c_str(), g_period);
    if (afterEnd) return gameAudioCpuMs(dir, 0, true) < 0;
    const double game = gameAudioCpuMs(dir, seconds, false);
    const double audio = static_cast<double>(g_frames.load()) / sampleRateHz;
    const double floorA = floorCpuMs(tune, audio);
    const double floorB = floorCpuMs(tune, audio);
    std::printf(
        "  fluidsynth alone, the same %.2f s of audio, twice: %.1f and %.1f ms CPU, "
        "%.3f and %.3f %% of a core per second of audio\n",
        audio, floorA, floorB, floorA / audio / 10.0, floorB / audio / 10.0);
    std::printf("audio thread / fluidsynth alone: %.2f x (floor the mean of the two)\n",
                game / ((floorA + floorB) / 2));
    const double paced = floorCpuMs(tune, audio, true);
    std::printf(
        "  fluidsynth alone, paced to one period per period of wall time: %.1f ms CPU, "
        "%.3f %% of a core per second of audio (audio thread / this: %.2f x)\n",
        paced, paced / audio / 10.0, game / paced);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // PERIOD=512 compares another device period with the game's.
    if (const char* p = std::getenv("PERIOD")) g_period = std::atoi(p);
    if (argc == 4 && std::string(argv[1]) == "--latency")
        return latency(std::atoi(argv[2]), argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--late") return late(std::atof(argv[2]), argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--cpu")
        return cpu(std::atof(argv[2]), false, argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--after-end") return cpu(0, true, argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--wake") return wake(std::atof(argv[2]));
    std::fprintf(stderr,
                 "usage: %s --latency N DATA_DIR | --late SECONDS DATA_DIR | --cpu SECONDS "
                 "DATA_DIR | --after-end DATA_DIR | --wake SECONDS\n",
                 argv[0]);
    return 2;
}
