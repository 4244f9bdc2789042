#include "Multimedia32.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>

#include "RecordingMultimedia.h"

namespace {

using Strings = std::vector<std::string>;

// Scripted results per command, so each return value can be traced to the
// command that produced it.
void scriptResults(mm::RecordingMultimedia& rec,
                   const std::map<std::string, std::uint32_t>& results) {
    rec.commandOverride = [results](std::string_view cmd) -> std::optional<std::uint32_t> {
        const auto it = results.find(std::string(cmd));
        return it == results.end() ? std::optional<std::uint32_t>(999) : it->second;
    };
}

// Each call sends its exact strings and returns what its last command (Open's
// open, Play's play) answered, all 32 bits of it; a path goes as given.
TEST(Multimedia32Commands, EachCallSendsItsStringsAndReturnsItsOwnResult) {
    const std::string path = "/home/ユーザー/My Music/曲 1.mid";
    const std::string open = "open " + path + " type sequencer alias midifile";
    struct Case {
        std::function<std::int32_t(Multimedia32&)> call;
        std::map<std::string, std::uint32_t> answers;
        std::int32_t returned;
        Strings sent;
    } cases[] = {
        {[&](Multimedia32& m) { return m.MidiOpen(path); },
         {{"stop midifile ", 7}, {"close midifile", 8}, {open, 275}},
         275,
         {"stop midifile ", "close midifile", open}},
        {[](Multimedia32& m) { return m.MidiPlay(); },
         {{"STOP MIDIFILE ", 5}, {"play midifile", 42}},
         42,
         {"STOP MIDIFILE ", "play midifile"}},
        {[](Multimedia32& m) { return m.MidiStop(); },
         {{"stop midifile ", 0xFFFFFFFFu}},
         -1,
         {"stop midifile "}},
        {[](Multimedia32& m) { return m.MidiClose(); },
         {{"close midifile", 0x80000000u}},
         INT32_MIN,
         {"close midifile"}},
    };
    for (const Case& c : cases) {
        mm::RecordingMultimedia rec;
        Multimedia32 sound(rec);
        scriptResults(rec, c.answers);
        EXPECT_EQ(c.call(sound), c.returned) << c.sent.back();
        EXPECT_EQ(rec.commands, c.sent);
    }
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
    EXPECT_EQ(rec.sounds,
              (std::vector<Req>{{"/snd/hit 1.wav", 0x0013}, {"/snd/miss.wav", 0x0013}}));
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
