#include "FluidSequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "SoundTestFiles.h"
#include "TestEnvironment.h"

namespace {

constexpr int sampleRateHz = 44100;

int peakFrom(const std::vector<std::int16_t>& samples, std::size_t from) {
    int peak = 0;
    for (std::size_t i = from; i < samples.size(); ++i)
        peak = std::max(peak, std::abs(int{samples[i]}));
    return peak;
}

// Drives the synthesizer by hand, as the audio callback would, so time is
// exactly what the test renders and nothing depends on the wall clock.
class FluidRender : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string sf = testenv::smallestSoundfont();
        if (sf.empty()) GTEST_SKIP() << "no soundfont in /usr/share/sounds/sf2";
        std::string error;
        seq = mm::FluidSequencer::create(sf, sampleRateHz, error);
        ASSERT_NE(seq, nullptr) << error;
    }

    // Renders ms milliseconds in audio periods, as interleaved stereo.
    std::vector<std::int16_t> capture(int ms) {
        constexpr std::size_t periodSamples = std::size_t{2} * 512;
        std::vector<std::int16_t> out(static_cast<std::size_t>(2 * (sampleRateHz * ms / 1000)));
        for (std::size_t at = 0; at < out.size(); at += periodSamples) {
            seq->render(out.data() + at,
                        static_cast<int>(std::min(out.size() - at, periodSamples) / 2));
        }
        return out;
    }

    // Renders ms milliseconds and returns the loudest sample.
    int render(int ms) { return peakFrom(capture(ms), 0); }

    mm::SequencerDevice::Handle open(std::uint32_t holdTicks) {
        mm::SequencerDevice::Handle h = 0;
        EXPECT_EQ(seq->open("test.mid", soundtest::heldNoteMidi(holdTicks), h), mm::SeqError::None);
        return h;
    }

    std::unique_ptr<mm::FluidSequencer> seq;
};

// Dither may leave the lowest bit or two moving in silence.
constexpr int silenceBits = 4;
constexpr int loud = 500;

TEST_F(FluidRender, OpenIsSilentAndPlaySoundsAndAdvances) {
    const auto h = open(384);
    EXPECT_LE(render(100), silenceBits);
    EXPECT_EQ(seq->positionTicks(h), 0);
    EXPECT_EQ(seq->play(h), mm::SeqError::None);
    EXPECT_GT(render(250), loud);
    EXPECT_TRUE(seq->isPlaying(h));
    // 250 ms at 120 bpm and 96 ticks a beat is 48 ticks.
    EXPECT_NEAR(seq->positionTicks(h), 48, 4);
}

// The largest sample-to-sample step of one channel.
int largestStep(const std::vector<std::int16_t>& stereo, std::size_t fromFrame,
                std::size_t toFrame) {
    int step = 0;
    for (std::size_t f = fromFrame + 1; f < toFrame; ++f)
        step = std::max(step, std::abs(stereo[2 * f] - stereo[2 * f - 2]));
    return step;
}

TEST_F(FluidRender, StopFadesHeldNotesWithoutAClickAndPlayResumesWhereItStopped) {
    const auto h = open(384);
    seq->play(h);
    auto sound = capture(250);
    // Stopped where the wave is near its crest, where a cut would jump most.
    const int crest = peakFrom(sound, sound.size() - std::size_t{2} * 441);
    for (int i = 0; i < 441 && std::abs(sound[sound.size() - 2]) < crest * 8 / 10; ++i) {
        std::int16_t frame[2] = {0, 0};
        seq->render(frame, 1);
        sound.insert(sound.end(), frame, frame + 2);
    }
    EXPECT_EQ(seq->stop(h), mm::SeqError::None);
    const int stoppedAt = seq->positionTicks(h);
    const std::size_t stopFrame = sound.size() / 2;
    const auto after = capture(60);
    sound.insert(sound.end(), after.begin(), after.end());
    // Cutting the voices at once would jump from the crest to zero.
    const int playing = largestStep(sound, stopFrame - 441, stopFrame);
    EXPECT_GT(playing, loud / 10);
    EXPECT_LE(largestStep(sound, stopFrame - 1, sound.size() / 2), playing);
    EXPECT_LE(peakFrom(after, 2 * sampleRateHz * 30 / 1000), silenceBits) << "silent within 30 ms";
    EXPECT_LE(render(250), silenceBits);
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
    EXPECT_LE(render(100), silenceBits);
    EXPECT_FALSE(seq->synthesizing()) << "the tune and its reverb have ended: nothing to render";
    const int endedAt = seq->positionTicks(h);
    EXPECT_GE(endedAt, 48);
    EXPECT_EQ(seq->play(h), mm::SeqError::None);
    EXPECT_LE(render(300), silenceBits) << "play at the end has nothing left to play";
    EXPECT_GE(seq->positionTicks(h), endedAt);
    seq->play(open(48));
    EXPECT_GT(render(200), loud) << "the next tune sounds again";
}

TEST_F(FluidRender, CloseFreesTheSequenceAndSilencesIt) {
    const auto h = open(384);
    seq->play(h);
    EXPECT_GT(render(100), loud);
    seq->close(h);
    EXPECT_EQ(seq->positionTicks(h), -1);
    EXPECT_EQ(seq->play(h), mm::SeqError::AliasNotOpen);
    EXPECT_EQ(seq->stop(h), mm::SeqError::AliasNotOpen);
    seq->close(h);                    // twice is harmless
    const auto tail = capture(3000);  // fades, then the reverb dies away unheard
    EXPECT_LE(peakFrom(tail, 2 * sampleRateHz * 30 / 1000), silenceBits);
    std::vector<std::int16_t> block(std::size_t{2} * 64, 1234);
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
    EXPECT_EQ(mm::FluidSequencer::create("/nonexistent/none.sf2", sampleRateHz, error), nullptr);
    EXPECT_NE(error.find("none.sf2"), std::string::npos);
    error.clear();
    EXPECT_EQ(mm::FluidSequencer::create("", sampleRateHz, error), nullptr);
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
    if (!testenv::smallestSoundfont().empty()) {
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
        EXPECT_GT(render(3000), loud) << name << " is silent in its first seconds";
        EXPECT_TRUE(seq->isPlaying(h)) << name << " ended within three seconds";
        seq->close(h);
    }
}
