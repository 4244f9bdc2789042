// The mix as a player hears it: each tune rendered offline through the
// game's synthesizer settings and soundfont, each effect as the mixer plays
// it (mono on both channels), measured with EBU R 128 loudness.

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "FluidSequencer.h"
#include "Limiter.h"

namespace {

constexpr int sampleRateHz = 44100;

std::string dataFile(const char* name) { return std::string(ZANRAI_DATA_DIR) + "/" + name; }

// Integrated loudness of interleaved 16-bit stereo or, for a short clip,
// its loudness over its own length: how loud it is while it sounds.
double lufs(const std::vector<std::int16_t>& stereo, bool clip) {
    const auto ms = static_cast<unsigned long>(1000 * stereo.size() / 2 / sampleRateHz);
    ebur128_state* st = ebur128_init(2, sampleRateHz, EBUR128_MODE_I);
    if (clip) ebur128_set_max_window(st, std::max(ms, 400ul));
    ebur128_add_frames_short(st, stereo.data(), stereo.size() / 2);
    double result = -HUGE_VAL;
    clip ? ebur128_loudness_window(st, ms, &result) : ebur128_loudness_global(st, &result);
    ebur128_destroy(&st);
    return result;
}

// A whole tune through the game's own synthesizer, period by period as the
// audio callback pulls it.
std::vector<std::int16_t> renderTune(const char* name) {
    std::string error;
    auto seq = mm::FluidSequencer::create(mm::gameSoundfont, sampleRateHz, error);
    std::vector<std::uint8_t> smf;
    mm::SequencerDevice::Handle h = 0;
    if (!seq || mm::loadMidiFile(dataFile(name), smf) != mm::SeqError::None ||
        seq->open(name, smf, h) != mm::SeqError::None || seq->play(h) != mm::SeqError::None)
        return {};
    std::vector<std::int16_t> out;
    constexpr int periodFrames = 512;
    std::vector<std::int16_t> period(std::size_t{2} * periodFrames);
    for (int i = 0; i < 200 * sampleRateHz / 512 && seq->isPlaying(h); ++i) {
        seq->render(period.data(), periodFrames);
        out.insert(out.end(), period.begin(), period.end());
    }
    return out;
}

std::vector<std::int16_t> effectAsMixed(const char* name) {
    std::ifstream f(dataFile(name), std::ios::binary);
    const std::vector<char> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> stereo;
    for (std::size_t i = 44; i + 1 < b.size(); i += 2) {
        const auto s = static_cast<std::int16_t>(static_cast<std::uint8_t>(b[i]) |
                                                 static_cast<std::uint8_t>(b[i + 1]) << 8);
        stereo.insert(stereo.end(), {s, s});
    }
    return stereo;
}

// The back end's sum: the effect added to the music, then the limiter.
std::vector<std::int16_t> mixed(const std::vector<std::int16_t>& music,
                                const std::vector<std::int16_t>& effect,
                                const std::vector<std::size_t>& starts) {
    std::vector<std::int16_t> out = music, track(music.size());
    for (std::size_t start : starts)
        std::copy_n(effect.begin(), std::min(effect.size(), track.size() - 2 * start),
                    track.begin() + static_cast<long>(2 * start));
    mm::Limiter limiter(sampleRateHz);
    constexpr int blockFrames = 256;
    constexpr std::size_t blockSamples = std::size_t{2} * blockFrames;
    for (std::size_t at = 0; at + blockSamples <= out.size(); at += blockSamples)
        limiter.mix(&out[at], &track[at], blockFrames, blockFrames);
    return out;
}

double momentary(const std::vector<std::int16_t>& stereo, std::size_t frame) {
    const std::vector<std::int16_t> window(
        stereo.begin() + static_cast<long>(2 * frame),
        stereo.begin() + static_cast<long>(2 * (frame + 4 * sampleRateHz / 10)));
    return lufs(window, true);
}

TEST(Mix, TunesSitAtTheSameLoudnessAndEffectsAboveThem) {
    if (!std::filesystem::exists(mm::gameSoundfont)) GTEST_SKIP() << "no " << mm::gameSoundfont;
    std::vector<double> tunes;
    std::vector<std::vector<std::int16_t>> pcms;
    for (const char* name : {"bgm.dat", "bgm2.dat"}) {
        const auto& pcm = pcms.emplace_back(renderTune(name));
        ASSERT_GT(pcm.size(), 2u * 30 * sampleRateHz) << name;
        const int peak = std::abs(int{*std::max_element(pcm.begin(), pcm.end(), [](auto a, auto b) {
            return std::abs(int{a}) < std::abs(int{b});
        })});
        tunes.push_back(lufs(pcm, false));
        std::printf("%s: %.2f LUFS, peak %d\n", name, tunes.back(), peak);
        EXPECT_NEAR(tunes.back(), -20.0, 1.5) << name;
        EXPECT_LT(peak, 32767) << name << " clips";
    }
    EXPECT_LE(std::fabs(tunes[0] - tunes[1]), 1.0);
    // A lost life must be heard over the music: the deflect lifts the 400 ms
    // loudness of the mix 5 LU over the music where it falls, at the median
    // of a deflect every 1.5 s. Cutting five a second over either tune
    // never takes a sample of the mix to full scale.
    const auto deflect = effectAsMixed("hajiku.dat"), cut = effectAsMixed("kiru.dat");
    for (const auto& music : pcms) {
        std::vector<std::size_t> starts, cuts;
        for (std::size_t s = sampleRateHz; s + sampleRateHz < music.size() / 2;
             s += 3 * sampleRateHz / 2)
            starts.push_back(s);
        for (std::size_t s = 0; s + sampleRateHz < music.size() / 2; s += sampleRateHz / 5)
            cuts.push_back(s);
        const auto withDeflects = mixed(music, deflect, starts);
        std::vector<double> lifts;
        lifts.reserve(starts.size());
        for (std::size_t s : starts)
            lifts.push_back(momentary(withDeflects, s) - momentary(music, s));
        std::nth_element(lifts.begin(), lifts.begin() + static_cast<long>(lifts.size() / 2),
                         lifts.end());
        std::printf("hajiku lifts the mix by %.1f LU at the median\n", lifts[lifts.size() / 2]);
        EXPECT_GE(lifts[lifts.size() / 2], 5.0);
        const auto withCuts = mixed(music, cut, cuts);
        EXPECT_EQ(std::count_if(withCuts.begin(), withCuts.end(),
                                [](int s) { return std::abs(s) >= 32767; }),
                  0);
    }
    for (const char* name : {"kiru.dat", "hajiku.dat"}) {
        const double effect = lufs(effectAsMixed(name), true);
        std::printf("%s: %.2f LUFS while it sounds\n", name, effect);
        for (double tune : tunes) {
            EXPECT_GE(effect - tune, 3.0) << name;
            EXPECT_LE(effect - tune, 8.0) << name;
        }
    }
}

// The output skips the limiter for a block of music with no sample past the
// ceiling: one sample just past it, either way, anywhere, must be seen.
TEST(Mix, ABlockOfMusicPastTheCeilingIsSeenWhereverItsPeakIs) {
    constexpr int sampleCount = 4096;
    const int ceiling = mm::Limiter::ceilingSample;
    for (const auto& [at, value, past] : {std::tuple{0, ceiling + 1, true},
                                          {sampleCount - 1, -ceiling - 1, true},
                                          {1234, ceiling, false},
                                          {sampleCount - 1, -ceiling, false}}) {
        std::vector<std::int16_t> block(sampleCount, 1000);
        block[static_cast<std::size_t>(at)] = static_cast<std::int16_t>(value);
        EXPECT_EQ(mm::Limiter::passesCeiling<sampleCount>(block.data()), past)
            << at << " " << value;
    }
}

}  // namespace
