#include "FluidSequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "SoundTestFiles.h"
#include "SystemSoundfont.h"

namespace {

constexpr int kRate = 44100;

// Drives the synthesizer by hand, as the audio callback would, so time is
// exactly what the test renders and nothing depends on the wall clock.
class FluidRender : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string sf = soundtest::smallestSoundfont();
        if (sf.empty()) GTEST_SKIP() << "no soundfont in /usr/share/sounds/sf2";
        std::string error;
        seq = mm::FluidSequencer::create(sf, kRate, error);
        ASSERT_NE(seq, nullptr) << error;
    }

    // Renders ms milliseconds and returns the loudest sample.
    int render(int ms) {
        int peak = 0;
        std::vector<std::int16_t> block(2 * 512);
        for (int left = kRate * ms / 1000; left > 0; left -= 512) {
            std::fill(block.begin(), block.end(), 0);
            seq->render(block.data(), std::min(left, 512));
            for (std::int16_t s : block) peak = std::max(peak, std::abs(int{s}));
        }
        return peak;
    }

    mm::SequencerDevice::Handle open(std::uint32_t holdTicks) {
        mm::SequencerDevice::Handle h = 0;
        EXPECT_EQ(seq->open("test.mid", soundtest::heldNoteMidi(holdTicks), h), mm::SeqError::None);
        return h;
    }

    std::unique_ptr<mm::FluidSequencer> seq;
};

// Dither may leave the lowest bit or two moving in silence.
constexpr int kSilence = 4;
constexpr int kLoud = 500;

TEST_F(FluidRender, OpenIsSilentAndPlaySoundsAndAdvances) {
    const auto h = open(384);
    EXPECT_LE(render(100), kSilence);
    EXPECT_EQ(seq->positionTicks(h), 0);
    EXPECT_EQ(seq->play(h), mm::SeqError::None);
    EXPECT_GT(render(250), kLoud);
    EXPECT_TRUE(seq->isPlaying(h));
    // 250 ms at 120 bpm and 96 ticks a beat is 48 ticks.
    EXPECT_NEAR(seq->positionTicks(h), 48, 4);
}

TEST_F(FluidRender, StopSilencesHeldNotesAndPlayResumesWhereItStopped) {
    const auto h = open(384);
    seq->play(h);
    render(250);
    EXPECT_EQ(seq->stop(h), mm::SeqError::None);
    const int stoppedAt = seq->positionTicks(h);
    render(2);  // what the synthesizer had already computed, under one of its blocks
    EXPECT_LE(render(250), kSilence);
    EXPECT_FALSE(seq->isPlaying(h));
    EXPECT_EQ(seq->positionTicks(h), stoppedAt);
    EXPECT_EQ(seq->play(h), mm::SeqError::None);
    render(250);
    EXPECT_NEAR(seq->positionTicks(h), stoppedAt + 48, 6) << "resumed, not restarted";
    EXPECT_EQ(seq->stop(h), mm::SeqError::None);
    EXPECT_EQ(seq->stop(h), mm::SeqError::None) << "stopping twice is harmless";
}

TEST_F(FluidRender, PlaysOnceAndNeverLoops) {
    const auto h = open(48);  // a quarter of a second
    seq->play(h);
    // fluidsynth lets the last notes ring out and then waits a grace period
    // of about two seconds before it calls the tune finished.
    render(4000);
    EXPECT_FALSE(seq->isPlaying(h));
    EXPECT_LE(render(100), kSilence);
    const int endedAt = seq->positionTicks(h);
    EXPECT_GE(endedAt, 48);
    EXPECT_EQ(seq->play(h), mm::SeqError::None);
    EXPECT_LE(render(300), kSilence) << "play at the end has nothing left to play";
    EXPECT_GE(seq->positionTicks(h), endedAt);
}

TEST_F(FluidRender, CloseFreesTheSequenceAndSilencesIt) {
    const auto h = open(384);
    seq->play(h);
    EXPECT_GT(render(100), kLoud);
    seq->close(h);
    EXPECT_EQ(seq->positionTicks(h), -1);
    EXPECT_EQ(seq->play(h), mm::SeqError::AliasNotOpen);
    EXPECT_EQ(seq->stop(h), mm::SeqError::AliasNotOpen);
    seq->close(h);  // twice is harmless
    std::vector<std::int16_t> block(2 * 64, 1234);
    seq->render(block.data(), 64);
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](auto s) { return s == 1234; }))
        << "with nothing open the buffer is left to the mixer";
}

TEST_F(FluidRender, TwoSequencesPlayIndependently) {
    const auto a = open(384);
    const auto b = open(384);
    ASSERT_NE(a, b);
    seq->play(a);
    render(100);
    EXPECT_GT(seq->positionTicks(a), 10);
    EXPECT_EQ(seq->positionTicks(b), 0);
}

TEST(FluidSequencerCreate, FailsCleanlyWithoutASoundfont) {
    std::string error;
    EXPECT_EQ(mm::FluidSequencer::create("/nonexistent/none.sf2", kRate, error), nullptr);
    EXPECT_NE(error.find("none.sf2"), std::string::npos);
    error.clear();
    EXPECT_EQ(mm::FluidSequencer::create("", kRate, error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(FluidSequencerCreate, SoundfontChoiceFollowsTheEnvironment) {
    soundtest::TempDir dir;
    const std::string fake = dir.write("x.sf2", {1, 2, 3});
    setenv("ZANRAI_SOUNDFONT", fake.c_str(), 1);
    EXPECT_EQ(mm::findSoundfont(), fake);
    setenv("ZANRAI_SOUNDFONT", (dir.path() + "/missing.sf2").c_str(), 1);
    EXPECT_EQ(mm::findSoundfont(), "") << "an explicit choice is never second-guessed";
    unsetenv("ZANRAI_SOUNDFONT");
    const std::string found = mm::findSoundfont();
    if (!soundtest::smallestSoundfont().empty()) {
        EXPECT_EQ(found.rfind("/usr/share/sounds/sf2/", 0), 0u) << found;
    }
}

}  // namespace

// The game's own tunes, as the build generated them beside the program.
TEST_F(FluidRender, TheGameTunesRenderAudibly) {
    for (const char* name : {"bgm.dat", "bgm2.dat"}) {
        std::vector<std::uint8_t> smf;
        ASSERT_EQ(mm::loadMidiFile(std::string(ZANRAI_DATA_DIR) + "/" + name, smf),
                  mm::SeqError::None)
            << name;
        mm::SequencerDevice::Handle h = 0;
        ASSERT_EQ(seq->open(name, smf, h), mm::SeqError::None) << name;
        ASSERT_EQ(seq->play(h), mm::SeqError::None);
        EXPECT_GT(render(3000), kLoud) << name << " is silent in its first seconds";
        EXPECT_TRUE(seq->isPlaying(h)) << name << " ended within three seconds";
        seq->close(h);
    }
}
