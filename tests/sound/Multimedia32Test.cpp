#include "Multimedia32.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "RecordingMultimedia.h"

namespace {

using Strings = std::vector<std::string>;

// Scripted results per command, so each return value can be traced to the
// command that produced it.
void scriptResults(mm::RecordingMultimedia& rec, std::map<std::string, std::uint32_t> results) {
    rec.commandOverride = [results](std::string_view cmd) -> std::optional<std::uint32_t> {
        const auto it = results.find(std::string(cmd));
        return it == results.end() ? std::optional<std::uint32_t>(999) : it->second;
    };
}

TEST(Multimedia32Commands, OpenSendsStopCloseOpenByteForByte) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    scriptResults(rec, {{"stop midifile ", 7}, {"close midifile", 8},
                        {"open /data/bgm.mid type sequencer alias midifile", 0}});
    EXPECT_EQ(sound.MidiOpen("/data/bgm.mid"), 0);
    EXPECT_EQ(rec.commands, (Strings{"stop midifile ", "close midifile",
                                     "open /data/bgm.mid type sequencer alias midifile"}));
}

TEST(Multimedia32Commands, OpenReturnsOnlyTheOpenResultAndKeepsThePathAsGiven) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    const std::string path = "/home/ユーザー/My Music/曲 1.mid";
    scriptResults(rec, {{"stop midifile ", 0}, {"close midifile", 0},
                        {"open " + path + " type sequencer alias midifile", 275}});
    EXPECT_EQ(sound.MidiOpen(path), 275);
    ASSERT_EQ(rec.commands.size(), 3u);
    EXPECT_EQ(rec.commands[2], "open " + path + " type sequencer alias midifile");
}

TEST(Multimedia32Commands, PlaySendsUpperCaseStopThenPlay) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    scriptResults(rec, {{"STOP MIDIFILE ", 5}, {"play midifile", 42}});
    EXPECT_EQ(sound.MidiPlay(), 42);
    EXPECT_EQ(rec.commands, (Strings{"STOP MIDIFILE ", "play midifile"}));
}

TEST(Multimedia32Commands, StopAndCloseSendOneCommandAndReturnItsResult) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    scriptResults(rec, {{"stop midifile ", 3}, {"close midifile", 4}});
    EXPECT_EQ(sound.MidiStop(), 3);
    EXPECT_EQ(sound.MidiClose(), 4);
    EXPECT_EQ(rec.commands, (Strings{"stop midifile ", "close midifile"}));
}

TEST(Multimedia32Commands, ResultsKeepAll32Bits) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    scriptResults(rec, {{"stop midifile ", 0xFFFFFFFFu}, {"close midifile", 0x80000000u}});
    EXPECT_EQ(sound.MidiStop(), -1);
    EXPECT_EQ(sound.MidiClose(), INT32_MIN);
}

TEST(Multimedia32Commands, EmptyArgumentsCallNothing) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    rec.soundResult = 9;
    EXPECT_EQ(sound.MidiOpen(""), 0);
    EXPECT_EQ(sound.WavePlay(""), 0);
    EXPECT_TRUE(rec.commands.empty());
    EXPECT_TRUE(rec.sounds.empty());
}

TEST(Multimedia32Wave, PlaysWithAsyncNoDefaultNoStopAndReturnsTheResult) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    rec.soundResult = 1;
    EXPECT_EQ(sound.WavePlay("/snd/hit 1.wav"), 1);
    rec.soundResult = 0;
    EXPECT_EQ(sound.WavePlay("/snd/miss.wav"), 0);
    using Req = mm::RecordingMultimedia::SoundRequest;
    EXPECT_EQ(rec.sounds, (std::vector<Req>{{"/snd/hit 1.wav", 0x0013}, {"/snd/miss.wav", 0x0013}}));
    EXPECT_TRUE(rec.commands.empty());
}

// Against the real interpreter: the sequence of calls the game makes.
TEST(Multimedia32Flow, TuneLifecycleOnTheRecordingService) {
    mm::RecordingMultimedia rec;
    Multimedia32 sound(rec);
    rec.addFile("/m/title.mid");
    rec.addFile("/m/stage 2.mid");

    EXPECT_NE(sound.MidiStop(), 0) << "nothing open yet";
    EXPECT_EQ(sound.MidiOpen("/m/title.mid"), 0);
    EXPECT_EQ(sound.MidiPlay(), 0);
    EXPECT_EQ(rec.playingPath(), "/m/title.mid");

    // Opening another tune replaces the first rather than stacking up.
    EXPECT_EQ(sound.MidiOpen("/m/stage 2.mid"), 0);
    EXPECT_EQ(rec.device().openCount(), 1u);
    EXPECT_EQ(rec.playingPath(), std::nullopt);
    EXPECT_EQ(sound.MidiPlay(), 0);
    EXPECT_EQ(rec.playingPath(), "/m/stage 2.mid");

    EXPECT_EQ(sound.MidiStop(), 0);
    EXPECT_EQ(rec.playingPath(), std::nullopt);
    EXPECT_EQ(sound.MidiClose(), 0);
    EXPECT_NE(sound.MidiClose(), 0);
    EXPECT_NE(sound.MidiPlay(), 0);
    EXPECT_EQ(rec.device().openCount(), 0u);
}

}  // namespace
