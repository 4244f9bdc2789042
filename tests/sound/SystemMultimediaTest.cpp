#include "SystemMultimedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "LoadedSoundBackend.h"
#include "Multimedia32.h"
#include "SequencerCommands.h"
#include "SoundTestFiles.h"
#include "TestEnvironment.h"

namespace {

using Clock = std::chrono::steady_clock;

using testenv::ScopedEnv;

std::size_t lineCount(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }

class SystemBackEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!real.ready()) GTEST_SKIP() << "no soundfont in /usr/share/sounds/sf2";
    }
    std::string openCmd(const std::string& path) {
        return "open " + path + " type sequencer alias midifile";
    }

    testenv::RealSoundEnvironment real;
    soundtest::TempDir dir;
};

// Polls a condition for up to two seconds.
template <typename Condition>
bool within2s(Condition done) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!done() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// The program reaches the service through its back end, loaded on a thread
// of its own: a command is accepted at once and runs there, in order, once
// the back end is in; effects go to it directly from then on.
TEST_F(SystemBackEnd, TheProgramReachesTheServiceThroughItsBackEnd) {
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(96));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    mm::LoadedSoundBackend loaded(ZANRAI_SOUND_BACKEND);
    Multimedia32 sound(loaded);
    EXPECT_EQ(sound.WavePlay(hit), 0) << "dropped before the back end is in";
    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_EQ(sound.MidiPlay(), 0);
    ASSERT_TRUE(loaded.settle());
    EXPECT_NE(sound.WavePlay(hit), 0);
    EXPECT_EQ(sound.MidiClose(), 0);
    EXPECT_TRUE(loaded.finish(std::chrono::seconds(5)));
    EXPECT_EQ(loaded.sendString("stop midifile"), mm::toCode(mm::SeqError::NoDevice))
        << "nothing is accepted once the back end has ended";
}

TEST_F(SystemBackEnd, TheDeviceIsOpenOnlyWhileAGameNeedsIt) {
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(96));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    mm::SystemMultimedia sys;
    Multimedia32 sound(sys);
    EXPECT_EQ(sound.MidiStop(), mm::toCode(mm::SeqError::AliasNotOpen));
    EXPECT_FALSE(sys.deviceOpen()) << "an idle game holds no device";
    EXPECT_FALSE(sys.soundfontLoaded()) << "nor a soundfont";

    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_TRUE(sys.soundfontLoaded());
    EXPECT_EQ(sound.MidiPlay(), 0);
    ASSERT_TRUE(sys.waitForDevice());
    EXPECT_EQ(sys.audioFormat().bufferFrames, mm::AudioOutput::periodFrames);
    EXPECT_EQ(sys.audioFormat().frequency, 44100);
    EXPECT_EQ(sys.audioFormat().channels, 2);

    EXPECT_EQ(sound.MidiStop(), 0);
    EXPECT_TRUE(within2s([&] { return !sys.deviceOpen(); })) << "closed once the game has ended";

    // An effect asked for meanwhile opens the device and waits for it, but
    // not on the caller's thread; a second one is dropped as if the first
    // were sounding.
    EXPECT_NE(sound.WavePlay(hit), 0);
    EXPECT_EQ(sound.WavePlay(hit), 0);
    EXPECT_TRUE(sys.waitForDevice());
    EXPECT_TRUE(within2s([&] { return !sys.deviceOpen(); })) << "closed once the effect ended";
}

// The output counts its periods; an effect asked for while one is being
// rendered starts in the next, never behind the music's work.
struct PeriodWatch {
    std::atomic<int> periods{0};
    std::atomic<int> firstLoud{-1};
    static void tap(void* self, const std::int16_t* stereo, int frames) {
        auto* w = static_cast<PeriodWatch*>(self);
        const int n = ++w->periods;
        int none = -1;
        if (std::any_of(stereo, stereo + std::ptrdiff_t{2} * frames,
                        [](std::int16_t s) { return std::abs(s) > 1000; }))
            w->firstLoud.compare_exchange_strong(none, n);
    }
};

TEST_F(SystemBackEnd, AnEffectSoundsInThePeriodAfterItsRequest) {
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    mm::SystemMultimedia sys;
    PeriodWatch watch;
    sys.tapOutput(&PeriodWatch::tap, &watch);
    ASSERT_TRUE(sys.preloadSound(hit));
    EXPECT_EQ(sys.sendString(openCmd(dir.write("bgm.mid", soundtest::heldNoteMidi(96)))), 0u);
    ASSERT_TRUE(sys.waitForDevice());
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(within2s([&] { return !sys.effectSounding(); }));
        watch.firstLoud.store(-1);
        const int before = watch.periods.load();
        ASSERT_NE(sys.playSound(hit, mm::SND_ASYNC | mm::SND_NOSTOP), 0);
        EXPECT_EQ(sys.playSound(hit, mm::SND_ASYNC | mm::SND_NOSTOP), 0) << "one effect at a time";
        ASSERT_TRUE(within2s([&] { return watch.firstLoud.load() > 0; }));
        // The period being rendered at the request may have taken its slot already.
        EXPECT_LE(watch.firstLoud.load(), before + 2) << "round " << round;
    }
    sys.tapOutput(nullptr, nullptr);
}

TEST_F(SystemBackEnd, ADeviceThatWillNotOpenSilencesThatGameAndIsTriedAgainForTheNext) {
    // SDL's disk driver opens its output file with the device.
    ScopedEnv disk("SDL_AUDIODRIVER", "disk");
    std::optional<ScopedEnv> file(std::in_place, "SDL_DISKAUDIOFILE", dir.path() + "/no/such/dir");
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(96));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    testing::internal::CaptureStderr();
    mm::SystemMultimedia sys;
    ASSERT_TRUE(sys.waitForSoundfont());
    Multimedia32 sound(sys);
    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_EQ(sound.MidiPlay(), 0);
    EXPECT_FALSE(sys.waitForDevice());
    EXPECT_EQ(sound.WavePlay(hit), 0) << "no device for this game";
    EXPECT_EQ(sound.MidiStop(), 0);
    EXPECT_EQ(lineCount(testing::internal::GetCapturedStderr()), 1u);

    file.emplace("SDL_DISKAUDIOFILE", dir.path() + "/out.raw");
    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_TRUE(sys.waitForDevice()) << "the next game tries again";
    EXPECT_NE(sound.WavePlay(hit), 0);
}

TEST_F(SystemBackEnd, TheGameModuleDrivesTheSynthesizerEndToEnd) {
    const std::string tune = dir.write("ゲーム 音楽/title tune.mid", soundtest::heldNoteMidi(384));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    mm::SystemMultimedia sys;
    ASSERT_TRUE(sys.waitForSoundfont());
    Multimedia32 sound(sys);
    EXPECT_NE(sound.MidiStop(), 0) << "nothing open yet";
    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_EQ(sound.MidiPlay(), 0);
    EXPECT_NE(sound.WavePlay(hit), 0) << "effects sound over the music";
    EXPECT_EQ(sound.MidiStop(), 0);
    EXPECT_EQ(sound.MidiPlay(), 0);
    EXPECT_EQ(sound.MidiClose(), 0);
    EXPECT_NE(sound.MidiClose(), 0);
    EXPECT_NE(sound.MidiOpen(dir.path() + "/missing.mid"), 0);
    EXPECT_NE(sound.MidiOpen(dir.write("w.mid", soundtest::squareWav(5))), 0);
    EXPECT_NE(sound.MidiPlay(), 0) << "a failed open leaves nothing to play";
}

// How quickly a request returns is measured by bench/audio_output_probe,
// not here: a busy machine would make a timed check fail for nothing.
TEST_F(SystemBackEnd, WaveRequestsFollowTheFlags) {
    const std::string longClip = dir.write("long.wav", soundtest::squareWav(1500));
    const std::string other = dir.write("other.wav", soundtest::squareWav(100));
    mm::SystemMultimedia sys;
    ASSERT_TRUE(sys.preloadSound(longClip));
    ASSERT_TRUE(sys.preloadSound(other));
    const std::uint32_t flags = mm::SND_ASYNC | mm::SND_NODEFAULT | mm::SND_NOSTOP;

    EXPECT_NE(sys.playSound(longClip, flags), 0);
    // The long clip still sounds, so each of these is dropped.
    for (int i = 0; i < 20; ++i) EXPECT_EQ(sys.playSound(other, flags), 0);
    EXPECT_EQ(sys.playSound(dir.path() + "/missing.wav", mm::SND_ASYNC | mm::SND_NODEFAULT), 0);
    // Without NOSTOP a request cuts in.
    for (int i = 0; i < 20; ++i) EXPECT_NE(sys.playSound(other, mm::SND_ASYNC), 0);
}

TEST_F(SystemBackEnd, AMissingSoundfontTurnsMusicOffButNotEffects) {
    ScopedEnv noFont("ZANRAI_SOUNDFONT", dir.path() + "/none.sf2");
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(96));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    testing::internal::CaptureStderr();
    {
        mm::SystemMultimedia sys;
        EXPECT_FALSE(sys.waitForSoundfont());
        EXPECT_EQ(sys.sendString(openCmd(tune)), mm::toCode(mm::SeqError::NoDevice));
        EXPECT_NE(sys.sendString("play midifile"), 0u);
        EXPECT_NE(sys.playSound(hit, mm::SND_ASYNC), 0);
    }
    EXPECT_EQ(lineCount(testing::internal::GetCapturedStderr()), 1u);
}

TEST_F(SystemBackEnd, OnlyOneLiveServiceOwnsTheMixer) {
    std::optional<mm::SystemMultimedia> first(std::in_place);
    testing::internal::CaptureStderr();
    {
        mm::SystemMultimedia second;
        EXPECT_FALSE(second.audioAvailable());
        EXPECT_EQ(second.playSound("x.wav", mm::SND_ASYNC), 0);
    }
    EXPECT_EQ(lineCount(testing::internal::GetCapturedStderr()), 1u);
    EXPECT_TRUE(first->audioAvailable());
    first.reset();
    first.emplace();
    EXPECT_TRUE(first->audioAvailable()) << "released on destruction";
}

TEST_F(SystemBackEnd, WithoutAnAudioDeviceEverythingFailsQuietly) {
    ScopedEnv noDriver("SDL_AUDIODRIVER", "zanrai-no-such-driver");
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(96));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    testing::internal::CaptureStderr();
    {
        mm::SystemMultimedia sys;
        EXPECT_FALSE(sys.audioAvailable());
        EXPECT_FALSE(sys.waitForSoundfont());
        Multimedia32 sound(sys);
        EXPECT_NE(sound.MidiOpen(tune), 0);
        EXPECT_NE(sound.MidiPlay(), 0);
        EXPECT_NE(sound.MidiStop(), 0);
        EXPECT_NE(sound.MidiClose(), 0);
        EXPECT_EQ(sound.WavePlay(hit), 0);
        EXPECT_NE(sys.sendString("garbage"), 0u);
        EXPECT_FALSE(sys.preloadSound(hit));
    }
    EXPECT_LE(lineCount(testing::internal::GetCapturedStderr()), 1u);
}

}  // namespace
