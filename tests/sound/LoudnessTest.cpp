// The mix as a player hears it: each tune rendered offline through the
// game's synthesizer settings and soundfont, each effect as the mixer plays
// it (mono on both channels), measured with EBU R 128 loudness.

#include <ebur128.h>
#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "FluidSequencer.h"

namespace {

constexpr int kRate = 44100;
constexpr int kPeriod = 512;

std::string dataFile(const char* name) {
    return std::string(ZANRAI_DATA_DIR) + "/" + name;
}

struct Loudness {
    double lufs = -HUGE_VAL;
    int peak = 0;
};

// Integrated loudness of interleaved 16-bit stereo, or, with windowMs, the
// loudness over that window at the end (for a clip, its own length).
Loudness measure(const std::vector<std::int16_t>& stereo, unsigned long windowMs = 0) {
    Loudness l;
    ebur128_state* st = ebur128_init(2, kRate, EBUR128_MODE_I);
    if (windowMs > 0) ebur128_set_max_window(st, std::max(windowMs, 400ul));
    ebur128_add_frames_short(st, stereo.data(), stereo.size() / 2);
    if (windowMs > 0)
        ebur128_loudness_window(st, windowMs, &l.lufs);
    else
        ebur128_loudness_global(st, &l.lufs);
    ebur128_destroy(&st);
    for (std::int16_t s : stereo) l.peak = std::max(l.peak, std::abs(int{s}));
    return l;
}

// A whole tune through the game's own synthesizer, period by period as the
// audio callback pulls it.
std::vector<std::int16_t> renderTune(const std::string& soundfont, const char* name,
                                     int maxPeriods = 200 * kRate / kPeriod) {
    std::string error;
    auto seq = mm::FluidSequencer::create(soundfont, kRate, error);
    if (!seq) return {};
    std::vector<std::uint8_t> smf;
    mm::SequencerDevice::Handle h = 0;
    if (mm::loadMidiFile(dataFile(name), smf) != mm::SeqError::None ||
        seq->open(name, smf, h) != mm::SeqError::None || seq->play(h) != mm::SeqError::None)
        return {};
    std::vector<std::int16_t> out;
    std::vector<std::int16_t> period(2 * kPeriod);
    for (int i = 0; i < maxPeriods && seq->isPlaying(h); ++i) {
        seq->render(period.data(), kPeriod);
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

// The same tune through a synthesizer that loads the whole soundfont up
// front, otherwise set up as the game's.
std::vector<std::int16_t> renderFullyLoaded(const char* name, int periods) {
    fluid_settings_t* settings = new_fluid_settings();
    mm::applyGameSynthSettings(settings, kRate);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_player_t* player = new_fluid_player(synth);
    std::vector<std::int16_t> out;
    if (fluid_synth_sfload(synth, mm::kGameSoundfont, 1) != FLUID_FAILED &&
        fluid_player_add(player, dataFile(name).c_str()) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK) {
        out.resize(static_cast<std::size_t>(2 * kPeriod * periods));
        for (int i = 0; i < periods; ++i)
            fluid_synth_write_s16(synth, kPeriod, out.data() + 2 * kPeriod * i, 0, 2,
                                  out.data() + 2 * kPeriod * i, 1, 2);
    }
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return out;
}

// Level of each 10 ms of stereo, in dB below full scale.
std::vector<double> envelope(const std::vector<std::int16_t>& stereo) {
    std::vector<double> db;
    constexpr std::size_t window = 2 * kRate / 100;
    for (std::size_t at = 0; at + window <= stereo.size(); at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i)
            sum += static_cast<double>(stereo[i]) * stereo[i];
        db.push_back(10 * std::log10(sum / window / (32768.0 * 32768.0) + 1e-12));
    }
    return db;
}

class Mix : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(mm::kGameSoundfont))
            GTEST_SKIP() << mm::kGameSoundfont << " is not installed";
    }
};

TEST_F(Mix, TunesSitAtTheSameLoudnessAndEffectsAboveThem) {
    std::vector<double> tunes;
    for (const char* name : {"bgm.dat", "bgm2.dat"}) {
        const auto pcm = renderTune(mm::kGameSoundfont, name);
        ASSERT_GT(pcm.size(), 2u * 30 * kRate) << name;
        const Loudness l = measure(pcm);
        std::printf("%s: %.1f s, %.2f LUFS, peak %d\n", name, pcm.size() / 2.0 / kRate, l.lufs,
                    l.peak);
        EXPECT_NEAR(l.lufs, -20.0, 1.5) << name;
        EXPECT_LT(l.peak, 32767) << name << " clips";
        tunes.push_back(l.lufs);
    }
    ASSERT_EQ(tunes.size(), 2u);
    EXPECT_LE(std::fabs(tunes[0] - tunes[1]), 1.0);
    for (const char* name : {"kiru.dat", "hajiku.dat"}) {
        const auto pcm = effectAsMixed(name);
        ASSERT_FALSE(pcm.empty()) << name;
        // Over its own length: how loud it is while it sounds.
        const auto ms =
            static_cast<unsigned long>(1000.0 * static_cast<double>(pcm.size() / 2) / kRate);
        const Loudness l = measure(pcm, ms);
        std::printf("%s: %.2f LUFS over %lu ms, peak %d\n", name, l.lufs, ms, l.peak);
        for (double tune : tunes) {
            EXPECT_GE(l.lufs - tune, 3.0) << name;
            EXPECT_LE(l.lufs - tune, 8.0) << name;
        }
    }
}

// Samples read when a preset is first selected must not make a note late
// or cut it short: the first second sounds as with everything loaded.
TEST_F(Mix, OnDemandSamplesPlayTheFirstSecondAsFullLoadingDoes) {
    const int periods = kRate / kPeriod + 1;
    for (const char* name : {"bgm.dat", "bgm2.dat"}) {
        const auto onDemand = renderTune(mm::kGameSoundfont, name, periods);
        const auto full = envelope(renderFullyLoaded(name, periods));
        const auto heard = envelope(onDemand);
        ASSERT_EQ(full.size(), heard.size()) << name;
        for (std::size_t i = 0; i < full.size(); ++i) {
            if (full[i] > -70 || heard[i] > -70) {
                EXPECT_NEAR(heard[i], full[i], 0.5) << name << " at " << 10 * i << " ms";
            }
        }
    }
}

}  // namespace
