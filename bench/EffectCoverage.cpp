// Is every cut heard? The real game played for 60 s at the level Normal by
// a player who cuts the target nearest the limit five times a second (and,
// for comparison, 5.5 and 6 times), losing lives as the game makes them lose
// them, its effect requests going through the real waveform player and its
// no-stop rule. Only the clock and
// the effect channel are simulated: a clip starts at the next audio period
// and the channel counts as sounding until the period that mixes its last
// frame, as the output does; clip lengths come from the generated files. A
// minute of play takes a fraction of a second.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <random>

#include "AudioOutput.h"
#include "BenchContext.h"
#include "DataFiles.h"
#include "MultimediaService.h"
#include "RankFile.h"
#include "WavePlayer.h"

namespace bench {
namespace {

constexpr long sampleRateHz = 44100;
constexpr long periodLength = mm::AudioOutput::periodFrames;  // frames per audio callback
constexpr long tickFrames = sampleRateHz / 100;               // the game timers' 10 ms

class SimulatedChannel final : public mm::EffectOutput {
public:
    long now = 0;  // frames since the start of play

    std::unique_ptr<mm::DecodedClip> decode(const std::string& path,
                                            const std::vector<std::uint8_t>&) override {
        SDL_AudioSpec spec;
        Uint8* buffer = nullptr;
        Uint32 bytes = 0;
        if (SDL_LoadWAV(path.c_str(), &spec, &buffer, &bytes) == nullptr) return nullptr;
        SDL_FreeWAV(buffer);
        const long frameBytes = SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
        auto clip = std::make_unique<Clip>();
        clip->frames = static_cast<long>(bytes) / frameBytes * sampleRateHz / spec.freq;
        return clip;
    }
    bool play(const mm::DecodedClip& clip) override {
        const long periods =
            (static_cast<const Clip&>(clip).frames + periodLength - 1) / periodLength;
        const long firstPeriod = (now / periodLength + 1) * periodLength;
        silentAt_ = firstPeriod + (periods - 1) * periodLength;
        return true;
    }
    bool sounding() const override { return now < silentAt_; }
    void halt() override { silentAt_ = 0; }
    void waitUntilSilent() override { now = std::max(now, silentAt_); }

private:
    struct Clip final : mm::DecodedClip {
        long frames = 0;
    };
    long silentAt_ = 0;
};

// The service the window talks to: music is not needed here, effects go to
// the real player on the simulated channel, and every request is counted.
class CountingService final : public mm::MultimediaService {
public:
    SimulatedChannel channel;
    mm::WavePlayer waves{channel};
    std::map<std::string, long> requested, started;

    std::uint32_t sendString(std::string_view) override { return 0; }
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override {
        const std::string name =
            QFileInfo(QString::fromStdString(std::string(fileName))).fileName().toStdString();
        ++requested[name];
        const std::int32_t result = waves.play(fileName, flags);
        started[name] += result != 0;
        return result;
    }
};

void startHeld(Form1& f) {
    f.mnustart_Click();
    for (kit::WindowTimer* t : {f.Timer1, f.Timer2, f.Timer3}) t->setEnabled(false);
}

// state.range(0): the spread of the player's timing, standard deviation in
// ms; state.range(1): cuts per ten seconds.
void cutsHeard(benchmark::State& state) {
    QTemporaryDir work;
    QFile rank(work.filePath(QString::fromLatin1(rankfile::fileName)));
    if (!rank.open(QIODevice::WriteOnly) || rank.write("0\r\n") != 3) {
        state.SkipWithError("cannot write rank.dat");
        return;
    }
    rank.close();
    CountingService service;
    FormServices services;
    services.multimedia = &service;
    services.programFolder = context().dataDir;
    services.rankFolder = work.path();
    services.messageBox = [](const QString&, const QString&) {};
    services.fileError = [](const QString&) {};
    services.beep = [] {};
    services.endProgram = [](int) {};
    Form1 f(std::move(services));
    if (!f.Form_Load()) {
        state.SkipWithError("Form_Load failed");
        return;
    }
    std::mt19937 rng(1234);
    std::normal_distribution<double> spread(0.0, static_cast<double>(state.range(0)));
    long livesLost = 0, games = 0;
    long start = 0;  // one clock across iterations, as the channel keeps it
    for (auto _ : state) {
        startHeld(f);
        ++games;
        long nextCut = start + sampleRateHz / 5;
        for (long t = start; t < start + 60 * sampleRateHz; t += tickFrames) {
            service.channel.now = t;
            const int livesBefore = f.lives;
            f.Timer1_Timer();
            if ((t - start) % sampleRateHz == 0) f.Timer2_Timer();
            f.Timer3_Timer();
            // The last life lost ends the game, whose Reset gives three again;
            // the player starts the next one at once.
            const bool over = f.lives > livesBefore;
            livesLost += over || f.lives < livesBefore;
            if (over) {
                startHeld(f);
                ++games;
            }
            // Within this tick, the player cuts the target nearest the limit.
            while (nextCut < t + tickFrames) {
                service.channel.now = std::max(t, nextCut);
                kit::ImageControl* const targets[] = {f.Image1, f.Image2, f.Image3, f.Image4,
                                                      f.Image5};
                const auto lowest =
                    std::max_element(std::begin(targets), std::end(targets),
                                     [](auto* a, auto* b) { return a->top() < b->top(); });
                using Handler = void (Form1::*)();
                const Handler cut[] = {&Form1::Image1_Click, &Form1::Image2_Click,
                                       &Form1::Image3_Click, &Form1::Image4_Click,
                                       &Form1::Image5_Click};
                (f.*cut[lowest - std::begin(targets)])();
                const double gap =
                    10.0 / static_cast<double>(state.range(1)) + spread(rng) / 1000.0;
                nextCut += std::max(sampleRateHz / 100, std::lround(sampleRateHz * gap));
            }
        }
        f.mnuRst_Click();
        start += 61 * sampleRateHz;
    }
    const auto share = [&](const char* name) {
        // Counts of a minute's requests: exact as doubles.
        return service.requested[name] > 0 ? 100.0 * static_cast<double>(service.started[name]) /
                                                 static_cast<double>(service.requested[name])
                                           : 0.0;
    };
    state.counters["cuts"] = static_cast<double>(service.requested[data_files::cut]);
    state.counters["cuts_heard_pct"] = share(data_files::cut);
    state.counters["deflects"] = static_cast<double>(service.requested[data_files::deflect]);
    state.counters["deflects_heard_pct"] = share(data_files::deflect);
    state.counters["lives_lost_per_min"] =
        static_cast<double>(livesLost) / static_cast<double>(state.iterations());
    state.counters["games"] = static_cast<double>(games);
}

}  // namespace

void registerEffectCoverageBenchmarks() {
    benchmark::RegisterBenchmark("Effect/cuts_heard_5_per_s_60s", cutsHeard)
        ->ArgNames({"jitter_ms", "cuts_per_10s"})
        ->ArgsProduct({{0, 20, 40}, {50, 55, 60}})
        ->Iterations(quickRun() ? 1 : 10)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace bench
