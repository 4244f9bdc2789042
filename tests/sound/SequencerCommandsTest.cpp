#include "SequencerCommands.h"

#include <gtest/gtest.h>

#include "MemorySequencerDevice.h"
#include "SoundTestFiles.h"

namespace {

using mm::SeqCommand;
using mm::SeqError;
using Kind = mm::MemorySequencerDevice::Event::Kind;

SeqCommand parsed(std::string_view text) {
    SeqCommand cmd;
    EXPECT_EQ(mm::parseSeqCommand(text, cmd), SeqError::None) << text;
    return cmd;
}

SeqError parseError(std::string_view text) {
    SeqCommand cmd;
    return mm::parseSeqCommand(text, cmd);
}

TEST(SeqCommandGrammar, VerbsNamesAndKeywordsIgnoreCaseAndSurroundingBlanks) {
    for (const char* text : {"stop midifile ", "STOP MIDIFILE ", "  Stop\tMidiFile\r\n"}) {
        const SeqCommand cmd = parsed(text);
        EXPECT_EQ(cmd.verb, SeqCommand::Verb::Stop) << text;
        EXPECT_EQ(cmd.alias, "midifile") << text;
    }
    EXPECT_EQ(parsed("PLAY x").verb, SeqCommand::Verb::Play);
    EXPECT_EQ(parsed("close x").verb, SeqCommand::Verb::Close);
    const SeqCommand open = parsed("OPEN /a.mid TYPE Sequencer ALIAS MidiFile ");
    EXPECT_EQ(open.verb, SeqCommand::Verb::Open);
    EXPECT_EQ(open.path, "/a.mid");
    EXPECT_EQ(open.alias, "midifile");
}

TEST(SeqCommandGrammar, PathRunsToTheLastTypeWord) {
    EXPECT_EQ(parsed("open /home/me/My Music/a b.mid type sequencer alias m").path,
              "/home/me/My Music/a b.mid");
    EXPECT_EQ(parsed("open /曲/ゲーム 音楽/タイトル.mid type sequencer alias m").path,
              "/曲/ゲーム 音楽/タイトル.mid");
    EXPECT_EQ(parsed("open /x/my type of song.mid TYPE sequencer alias m").path,
              "/x/my type of song.mid");
    // The case-folding must not touch the bytes of the path.
    EXPECT_EQ(parsed("open /Ab/CD.MID type sequencer alias m").path, "/Ab/CD.MID");
}

TEST(SeqCommandGrammar, QuotedPathsLoseTheirQuotes) {
    EXPECT_EQ(parsed("open \"/a b/c type d.mid\" type sequencer alias m").path,
              "/a b/c type d.mid");
    EXPECT_EQ(parseError("open \"/a b.mid type sequencer alias m"), SeqError::BadSyntax);
    EXPECT_EQ(parseError("open \"/a b.mid\"type sequencer alias m"), SeqError::BadSyntax);
}

TEST(SeqCommandGrammar, MalformedCommandsAreRefused) {
    EXPECT_EQ(parseError("pause midifile"), SeqError::UnknownCommand);
    EXPECT_EQ(parseError("opened x type sequencer alias m"), SeqError::UnknownCommand);
    for (const char* text :
         {"", "   ", "play", "stop ", "play a b", "close midifile now", "open", "open /a.mid",
          "open /a.mid type sequencer", "open /a.mid type sequencer alias",
          "open /a.mid type waveaudio alias m", "open /a.mid type sequencer name m",
          "open type sequencer alias m", "open /a.mid type sequencer alias m extra"}) {
        EXPECT_EQ(parseError(text), SeqError::BadSyntax) << '"' << text << '"';
    }
}

TEST(MidiFileCheck, AcceptsStandardFilesAndRefusesOthers) {
    const auto good = soundtest::heldNoteMidi(96);
    EXPECT_TRUE(mm::looksLikeMidiFile(good));
    EXPECT_FALSE(mm::looksLikeMidiFile({}));
    EXPECT_FALSE(mm::looksLikeMidiFile(soundtest::squareWav(10)));
    EXPECT_FALSE(mm::looksLikeMidiFile(std::vector<std::uint8_t>(good.begin(), good.begin() + 14)));
    auto noTracks = good;
    noTracks[11] = 0;
    EXPECT_FALSE(mm::looksLikeMidiFile(noTracks));
    auto badFormat = good;
    badFormat[9] = 3;
    EXPECT_FALSE(mm::looksLikeMidiFile(badFormat));
    auto lowerCase = good;
    lowerCase[0] = 'm';
    EXPECT_FALSE(mm::looksLikeMidiFile(lowerCase));
}

class SeqInterpreter : public ::testing::Test {
protected:
    std::string midi(const std::string& relative) {
        return dir.write(relative, soundtest::heldNoteMidi(96));
    }
    std::uint32_t run(const std::string& text) { return mm::toCode(interp.execute(text)); }

    soundtest::TempDir dir;
    mm::MemorySequencerDevice device;
    mm::SequencerInterpreter interp{device};
};

TEST_F(SeqInterpreter, OpensFilesInFoldersWithBlanksAndJapaneseNames) {
    const std::string path = midi("ゲーム の 音楽/My Tunes/タイトル 1.mid");
    EXPECT_EQ(run("open " + path + " type sequencer alias midifile"), 0u);
    ASSERT_EQ(device.events().size(), 1u);
    EXPECT_EQ(device.events()[0], (mm::MemorySequencerDevice::Event{Kind::Open, path}));
    EXPECT_TRUE(interp.isOpen("MIDIFILE"));
}

TEST_F(SeqInterpreter, BadFilesFailAndLeaveNothingOpen) {
    const std::string empty = dir.write("empty.mid", {});
    const std::string wave = dir.write("fake.mid", soundtest::squareWav(20));
    EXPECT_EQ(interp.execute("open " + dir.path() + "/none.mid type sequencer alias m"),
              SeqError::CannotOpenFile);
    EXPECT_EQ(interp.execute("open " + dir.path() + " type sequencer alias m"),
              SeqError::CannotOpenFile)
        << "a folder is not a file";
    EXPECT_EQ(interp.execute("open " + empty + " type sequencer alias m"), SeqError::NotMidiFile);
    EXPECT_EQ(interp.execute("open " + wave + " type sequencer alias m"), SeqError::NotMidiFile);
    EXPECT_EQ(interp.openCount(), 0u);
    EXPECT_TRUE(device.events().empty());
    EXPECT_EQ(interp.execute("play m"), SeqError::AliasNotOpen);
}

TEST_F(SeqInterpreter, OneSequencePerAliasAndNamesMustBeOpen) {
    const std::string a = midi("a.mid");
    EXPECT_EQ(interp.execute("stop midifile "), SeqError::AliasNotOpen);
    EXPECT_EQ(interp.execute("close midifile"), SeqError::AliasNotOpen);
    EXPECT_EQ(run("open " + a + " type sequencer alias midifile"), 0u);
    EXPECT_EQ(interp.execute("open " + a + " type sequencer alias MidiFile"),
              SeqError::AliasAlreadyOpen);
    EXPECT_EQ(run("open " + a + " type sequencer alias other"), 0u);
    EXPECT_EQ(device.openCount(), 2u);
    EXPECT_EQ(interp.execute("play third"), SeqError::AliasNotOpen);
    EXPECT_EQ(run("close midifile"), 0u);
    EXPECT_EQ(interp.execute("close midifile"), SeqError::AliasNotOpen);
    EXPECT_EQ(device.openCount(), 1u);
}

TEST_F(SeqInterpreter, PlayRunsOnceFromTheCurrentPosition) {
    device.sequenceLength = 100;
    const std::string a = midi("a.mid");
    ASSERT_EQ(run("open " + a + " type sequencer alias m"), 0u);
    EXPECT_EQ(device.playingPath(), std::nullopt) << "open alone makes no sound";
    EXPECT_EQ(run("play m"), 0u);
    device.advance(30);
    EXPECT_EQ(run("STOP M "), 0u);
    device.advance(30);
    EXPECT_EQ(device.findByPath(a)->position, 30u) << "stop keeps the position";
    EXPECT_EQ(run("play m"), 0u);
    device.advance(50);
    EXPECT_EQ(device.findByPath(a)->position, 80u) << "play resumes, not restarts";
    device.advance(50);
    EXPECT_EQ(device.playingPath(), std::nullopt) << "no looping at the end";
    EXPECT_EQ(run("play m"), 0u);
    EXPECT_EQ(device.playingPath(), std::nullopt);
    // Reopening starts from the beginning again.
    EXPECT_EQ(run("close m"), 0u);
    EXPECT_EQ(run("open " + a + " type sequencer alias m"), 0u);
    EXPECT_EQ(device.findByPath(a)->position, 0u);
}

TEST_F(SeqInterpreter, DeviceFailureLeavesTheAliasFree) {
    device.failOpenWith = SeqError::NoDevice;
    const std::string a = midi("a.mid");
    EXPECT_EQ(interp.execute("open " + a + " type sequencer alias m"), SeqError::NoDevice);
    EXPECT_FALSE(interp.isOpen("m"));
    device.failOpenWith.reset();
    EXPECT_EQ(run("open " + a + " type sequencer alias m"), 0u);
}

TEST_F(SeqInterpreter, CloseAllAndDestructionCloseEverySequence) {
    const std::string a = midi("a.mid");
    ASSERT_EQ(run("open " + a + " type sequencer alias one"), 0u);
    ASSERT_EQ(run("open " + a + " type sequencer alias two"), 0u);
    {
        mm::SequencerInterpreter second(device);
        ASSERT_EQ(mm::toCode(second.execute("open " + a + " type sequencer alias three")), 0u);
    }
    EXPECT_EQ(device.openCount(), 2u);
    interp.closeAll();
    EXPECT_EQ(device.openCount(), 0u);
    EXPECT_EQ(interp.openCount(), 0u);
}

TEST_F(SeqInterpreter, AThrowingLoaderIsReportedNotPropagated) {
    mm::SequencerInterpreter throwing(
        device, [](const std::string&, std::vector<std::uint8_t>&) -> SeqError {
            throw std::runtime_error("x");
        });
    EXPECT_NE(throwing.execute("open /a.mid type sequencer alias m"), SeqError::None);
    EXPECT_EQ(throwing.openCount(), 0u);
}

}  // namespace
