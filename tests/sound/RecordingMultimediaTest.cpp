#include "RecordingMultimedia.h"

#include <gtest/gtest.h>

#include "SoundTestFiles.h"

namespace {

using Kind = mm::MemorySequencerDevice::Event::Kind;
using Event = mm::MemorySequencerDevice::Event;

TEST(RecordingMultimedia, RecordsCommandsExactlyWithRealisticResults) {
    mm::RecordingMultimedia rec;
    rec.addFile("/m/a.mid");
    EXPECT_NE(rec.sendString("stop midifile "), 0u);
    EXPECT_EQ(rec.sendString("open /m/a.mid type sequencer alias midifile"), 0u);
    EXPECT_EQ(rec.sendString("PLAY MIDIFILE"), 0u);
    EXPECT_NE(rec.sendString("rewind midifile"), 0u);
    EXPECT_EQ(rec.commands,
              (std::vector<std::string>{"stop midifile ",
                                        "open /m/a.mid type sequencer alias midifile",
                                        "PLAY MIDIFILE", "rewind midifile"}));
    ASSERT_EQ(rec.results().size(), 4u);
    EXPECT_EQ(rec.results()[0], mm::toCode(mm::SeqError::AliasNotOpen));
    EXPECT_EQ(rec.results()[3], mm::toCode(mm::SeqError::UnknownCommand));
    EXPECT_EQ(rec.device().events(),
              (std::vector<Event>{{Kind::Open, "/m/a.mid"}, {Kind::Play, "/m/a.mid"}}));
    EXPECT_EQ(rec.playingPath(), "/m/a.mid");
}

TEST(RecordingMultimedia, InMemoryFilesAreCheckedAndDiskFilesStillWork) {
    mm::RecordingMultimedia rec;
    rec.addFile("/m/wave.mid", soundtest::squareWav(5));
    EXPECT_EQ(rec.sendString("open /m/wave.mid type sequencer alias x"),
              mm::toCode(mm::SeqError::NotMidiFile));
    soundtest::TempDir dir;
    const std::string real = dir.write("曲 one.mid", soundtest::heldNoteMidi(10));
    EXPECT_EQ(rec.sendString("open " + real + " type sequencer alias x"), 0u);
    EXPECT_TRUE(rec.interpreter().isOpen("x"));
}

TEST(RecordingMultimedia, OverrideReplacesTheResultAndBypassesTheSequencer) {
    mm::RecordingMultimedia rec;
    rec.addFile("/m/a.mid");
    rec.commandOverride = [](std::string_view cmd) -> std::optional<std::uint32_t> {
        if (cmd.substr(0, 4) == "open") return 263u;
        return std::nullopt;
    };
    EXPECT_EQ(rec.sendString("open /m/a.mid type sequencer alias m"), 263u);
    EXPECT_EQ(rec.device().openCount(), 0u);
    EXPECT_NE(rec.sendString("play m"), 0u) << "falls through to the interpreter";
    EXPECT_EQ(rec.commands.size(), 2u);
}

TEST(RecordingMultimedia, SoundRequestsAreRecordedWithTheConfiguredResult) {
    mm::RecordingMultimedia rec;
    EXPECT_EQ(rec.playSound("a.wav", 0x13), 1);
    rec.soundResult = 0;
    EXPECT_EQ(rec.playSound("", 0), 0);
    using Req = mm::RecordingMultimedia::SoundRequest;
    EXPECT_EQ(rec.sounds, (std::vector<Req>{{"a.wav", 0x13}, {"", 0}}));
    EXPECT_TRUE(mm::looksLikeMidiFile(mm::RecordingMultimedia::minimalMidiFile()));
}

}  // namespace
