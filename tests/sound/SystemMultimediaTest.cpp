#include "SystemMultimedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "LoadedSoundBackend.h"
#include "LoadedSoundBackendProbe.h"
#include "Multimedia32.h"
#include "SequencerCommands.h"
#include "SoundProbes.h"
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
    // (An effect asked for while the back end loads is dropped: the stalling
    // back end of the fault tests holds the load long enough to see it.)
    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_EQ(sound.MidiPlay(), 0);
    ASSERT_TRUE(mm::LoadedSoundBackendProbe::settle(loaded));
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
    const mm::SoundProbes probe(sys);
    Multimedia32 sound(sys);
    EXPECT_EQ(sound.MidiStop(), mm::toCode(mm::SeqError::AliasNotOpen));
    EXPECT_FALSE(probe.deviceOpen()) << "an idle game holds no device";
    EXPECT_FALSE(probe.soundfontLoaded()) << "nor a soundfont";

    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_TRUE(probe.soundfontLoaded());
    EXPECT_EQ(sound.MidiPlay(), 0);
    ASSERT_TRUE(probe.waitForDevice());
    EXPECT_EQ(probe.audioFormat().bufferFrames, mm::AudioOutput::periodFrames);
    EXPECT_EQ(probe.audioFormat().frequency, 44100);
    EXPECT_EQ(probe.audioFormat().channels, 2);

    EXPECT_EQ(sound.MidiStop(), 0);
    EXPECT_TRUE(within2s([&] { return !probe.deviceOpen(); })) << "closed once the game has ended";

    // An effect asked for meanwhile opens the device and waits for it, but
    // not on the caller's thread; a second one is dropped as if the first
    // were sounding.
    EXPECT_NE(sound.WavePlay(hit), 0);
    EXPECT_EQ(sound.WavePlay(hit), 0);
    EXPECT_TRUE(probe.waitForDevice());
    EXPECT_TRUE(within2s([&] { return !probe.deviceOpen(); })) << "closed once the effect ended";
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
    const mm::SoundProbes probe(sys);
    PeriodWatch watch;
    probe.tapOutput(&PeriodWatch::tap, &watch);
    ASSERT_TRUE(probe.preloadSound(hit));
    EXPECT_EQ(sys.sendString(openCmd(dir.write("bgm.mid", soundtest::heldNoteMidi(96)))), 0u);
    ASSERT_TRUE(probe.waitForDevice());
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(within2s([&] { return !probe.effectSounding(); }));
        watch.firstLoud.store(-1);
        const int before = watch.periods.load();
        ASSERT_NE(sys.playSound(hit, mm::SND_ASYNC | mm::SND_NOSTOP), 0);
        EXPECT_EQ(sys.playSound(hit, mm::SND_ASYNC | mm::SND_NOSTOP), 0) << "one effect at a time";
        ASSERT_TRUE(within2s([&] { return watch.firstLoud.load() > 0; }));
        // The period being rendered at the request may have taken its slot already.
        EXPECT_LE(watch.firstLoud.load(), before + 2) << "round " << round;
    }
    probe.tapOutput(nullptr, nullptr);
}

TEST_F(SystemBackEnd, ADeviceThatWillNotOpenSilencesThatGameAndIsTriedAgainForTheNext) {
    // SDL's disk driver opens its output file with the device.
    ScopedEnv disk("SDL_AUDIODRIVER", "disk");
    std::optional<ScopedEnv> file(std::in_place, "SDL_DISKAUDIOFILE", dir.path() + "/no/such/dir");
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(96));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    testing::internal::CaptureStderr();
    mm::SystemMultimedia sys;
    const mm::SoundProbes probe(sys);
    ASSERT_TRUE(probe.waitForSoundfont());
    Multimedia32 sound(sys);
    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_EQ(sound.MidiPlay(), 0);
    EXPECT_FALSE(probe.waitForDevice());
    EXPECT_EQ(sound.WavePlay(hit), 0) << "no device for this game";
    EXPECT_EQ(sound.MidiStop(), 0);
    EXPECT_EQ(lineCount(testing::internal::GetCapturedStderr()), 1u);

    file.emplace("SDL_DISKAUDIOFILE", dir.path() + "/out.raw");
    EXPECT_EQ(sound.MidiOpen(tune), 0);
    EXPECT_TRUE(probe.waitForDevice()) << "the next game tries again";
    EXPECT_NE(sound.WavePlay(hit), 0);
}

// The largest change from one sample to the next in interleaved stereo, the
// stream's end counting as a step to silence.
int largestStep(const std::vector<std::int16_t>& stereo, std::size_t from, std::size_t to) {
    int largest = 0;
    for (std::size_t i = std::max<std::size_t>(from, 2); i < to + 2; ++i) {
        const int now = i < stereo.size() ? stereo[i] : 0;
        largest = std::max(largest, std::abs(now - stereo[i - 2]));
    }
    return largest;
}

// The music ends as the game ends it, by a stop, or by the service going
// away while it still plays (the program ending); either way the stream the
// device got falls to silence no more steeply than the music itself moves.
// An ocarina is nearly a sine: a cut from its crest would be far steeper.
TEST_F(SystemBackEnd, TheMusicEndsWithoutAStep) {
    ScopedEnv disk("SDL_AUDIODRIVER", "disk");
    constexpr std::uint8_t ocarina = 79;
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(5000, ocarina));
    for (const bool stopFirst : {true, false}) {
        const std::string raw = dir.path() + (stopFirst ? "/stop.raw" : "/exit.raw");
        ScopedEnv file("SDL_DISKAUDIOFILE", raw);
        {
            mm::SystemMultimedia sys;
            const mm::SoundProbes probe(sys);
            Multimedia32 sound(sys);
            ASSERT_EQ(sound.MidiOpen(tune), 0);
            ASSERT_EQ(sound.MidiPlay(), 0);
            ASSERT_TRUE(probe.waitForDevice());
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            if (stopFirst) {
                EXPECT_EQ(sound.MidiStop(), 0);
                EXPECT_TRUE(within2s([&] { return !probe.deviceOpen(); }));
            }
        }
        std::ifstream in(raw, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        std::vector<std::int16_t> stereo(bytes.size() / 2);
        std::memcpy(stereo.data(), bytes.data(), 2 * stereo.size());
        std::size_t sounding = stereo.size();
        while (sounding > 0 && std::abs(stereo[sounding - 1]) <= 4) --sounding;
        // The note holds steadily from 0.2 s on; the end is its last 30 ms.
        const std::size_t steady = 2 * 44100 / 5, ending = sounding - 2 * 44100 * 3 / 100;
        ASSERT_GT(ending, 2 * steady) << raw;
        const int own = largestStep(stereo, steady, ending);
        EXPECT_LE(largestStep(stereo, ending, stereo.size()), own)
            << (stopFirst ? "at the stop" : "when the service went away while it played");
    }
}

TEST_F(SystemBackEnd, TheGameModuleDrivesTheSynthesizerEndToEnd) {
    const std::string tune = dir.write("ゲーム 音楽/title tune.mid", soundtest::heldNoteMidi(384));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    mm::SystemMultimedia sys;
    const mm::SoundProbes probe(sys);
    ASSERT_TRUE(probe.waitForSoundfont());
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
    const mm::SoundProbes probe(sys);
    ASSERT_TRUE(probe.preloadSound(longClip));
    ASSERT_TRUE(probe.preloadSound(other));
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
        const mm::SoundProbes probe(sys);
        EXPECT_FALSE(probe.waitForSoundfont());
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
        EXPECT_FALSE(mm::SoundProbes(second).audioAvailable());
        EXPECT_EQ(second.playSound("x.wav", mm::SND_ASYNC), 0);
    }
    EXPECT_EQ(lineCount(testing::internal::GetCapturedStderr()), 1u);
    EXPECT_TRUE(mm::SoundProbes(*first).audioAvailable());
    first.reset();
    first.emplace();
    EXPECT_TRUE(mm::SoundProbes(*first).audioAvailable()) << "released on destruction";
}

TEST_F(SystemBackEnd, WithoutAnAudioDeviceEverythingFailsQuietly) {
    ScopedEnv noDriver("SDL_AUDIODRIVER", "zanrai-no-such-driver");
    const std::string tune = dir.write("bgm.mid", soundtest::heldNoteMidi(96));
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    testing::internal::CaptureStderr();
    {
        mm::SystemMultimedia sys;
        const mm::SoundProbes probe(sys);
        EXPECT_FALSE(probe.audioAvailable());
        EXPECT_FALSE(probe.waitForSoundfont());
        Multimedia32 sound(sys);
        EXPECT_NE(sound.MidiOpen(tune), 0);
        EXPECT_NE(sound.MidiPlay(), 0);
        EXPECT_NE(sound.MidiStop(), 0);
        EXPECT_NE(sound.MidiClose(), 0);
        EXPECT_EQ(sound.WavePlay(hit), 0);
        EXPECT_NE(sys.sendString("garbage"), 0u);
        EXPECT_FALSE(probe.preloadSound(hit));
    }
    EXPECT_LE(lineCount(testing::internal::GetCapturedStderr()), 1u);
}

}  // namespace
