#include "DataFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// An independent reader of Standard MIDI Files, strict about structure: it
// walks every chunk, decodes every event, and insists that each track ends
// with its end-of-track event exactly at the end of its chunk.
struct Note {
    int channel;
    int key;
    std::uint32_t tick;
};

struct Song {
    int format = -1;
    int division = 0;
    int trackCount = 0;
    std::vector<Note> notes;
    std::set<std::pair<int, int>> programs;         // channel, program
    std::map<std::uint32_t, std::uint32_t> tempos;  // tick -> microseconds per quarter
    std::uint32_t endTick = 0;
    int unmatchedNotes = 0;

    double secondsAt(std::uint32_t tick) const {
        double seconds = 0.0;
        std::uint32_t last = 0;
        std::uint32_t tempo = 500000;
        for (const auto& [at, micros] : tempos) {
            if (at >= tick) break;
            seconds += static_cast<double>(at - last) * tempo / 1e6 / division;
            last = at;
            tempo = micros;
        }
        return seconds + static_cast<double>(tick - last) * tempo / 1e6 / division;
    }
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& b, std::size_t from, std::size_t to)
        : b_(b), pos_(from), end_(to) {}
    bool done() const { return pos_ >= end_; }
    std::size_t pos() const { return pos_; }
    std::uint8_t byte() {
        if (pos_ >= end_) throw std::runtime_error("read past end of chunk");
        return b_[pos_++];
    }
    std::uint32_t be(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | byte();
        return v;
    }
    std::uint32_t varLen() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t c = byte();
            v = v << 7 | (c & 0x7f);
            if (!(c & 0x80)) return v;
        }
        throw std::runtime_error("variable-length quantity longer than 4 bytes");
    }
    void skip(std::uint32_t n) {
        if (n > end_ - pos_) throw std::runtime_error("data runs past end of chunk");
        pos_ += n;
    }

private:
    const std::vector<std::uint8_t>& b_;
    std::size_t pos_;
    std::size_t end_;
};

void readTrack(Reader& r, Song& song) {
    std::uint32_t tick = 0;
    std::uint8_t status = 0;
    std::map<std::pair<int, int>, int> sounding;
    bool ended = false;
    while (!r.done()) {
        if (ended) throw std::runtime_error("events after end of track");
        tick += r.varLen();
        std::uint8_t first = r.byte();
        if (first == 0xff) {
            const std::uint8_t type = r.byte();
            const std::uint32_t len = r.varLen();
            if (type == 0x2f) {
                if (len != 0) throw std::runtime_error("end of track with data");
                ended = true;
            } else if (type == 0x51) {
                if (len != 3) throw std::runtime_error("tempo event of wrong length");
                song.tempos[tick] = r.be(3);
            } else {
                r.skip(len);
            }
            continue;
        }
        if (first == 0xf0 || first == 0xf7) {
            r.skip(r.varLen());
            continue;
        }
        std::uint8_t d1;
        if (first & 0x80) {
            status = first;
            d1 = r.byte();
        } else {
            if (!status) throw std::runtime_error("running status without a status");
            d1 = first;
        }
        const int kind = status & 0xf0;
        const int channel = status & 0x0f;
        const bool oneByte = kind == 0xc0 || kind == 0xd0;
        const std::uint8_t d2 = oneByte ? 0 : r.byte();
        if ((d1 | d2) & 0x80) throw std::runtime_error("data byte with the top bit set");
        if (kind == 0x90 && d2 > 0) {
            song.notes.push_back({channel, d1, tick});
            ++sounding[{channel, d1}];
        } else if (kind == 0x80 || kind == 0x90) {
            if (--sounding[{channel, d1}] < 0) throw std::runtime_error("note off without note on");
        } else if (kind == 0xc0) {
            song.programs.insert({channel, d1});
        }
    }
    if (!ended) throw std::runtime_error("track without end of track");
    for (const auto& [key, count] : sounding) song.unmatchedNotes += count;
    song.endTick = std::max(song.endTick, tick);
}

Song parse(const std::vector<std::uint8_t>& b) {
    Song song;
    Reader file(b, 0, b.size());
    auto tag = [&] {
        std::string t;
        for (int i = 0; i < 4; ++i) t += static_cast<char>(file.byte());
        return t;
    };
    if (tag() != "MThd" || file.be(4) != 6) throw std::runtime_error("bad header chunk");
    song.format = static_cast<int>(file.be(2));
    const auto declared = static_cast<int>(file.be(2));
    song.division = static_cast<int>(file.be(2));
    if (song.division & 0x8000) throw std::runtime_error("SMPTE timing not expected");
    while (!file.done()) {
        const std::string id = tag();
        const std::uint32_t len = file.be(4);
        const std::size_t start = file.pos();
        file.skip(len);
        if (id != "MTrk") continue;
        Reader track(b, start, start + len);
        readTrack(track, song);
        ++song.trackCount;
    }
    if (song.trackCount != declared) throw std::runtime_error("track count differs from header");
    return song;
}

struct Piece {
    const char* file;
    std::set<int> scale;  // pitch classes of the mode the piece is written in
    double minBpm, maxBpm;
};

class Music : public testing::TestWithParam<Piece> {
protected:
    Song song() {
        const auto bytes = readDataFile(GetParam().file);
        EXPECT_FALSE(bytes.empty()) << GetParam().file << " missing";
        return parse(bytes);
    }
};

TEST_P(Music, IsAWellFormedStandardMidiFile) {
    Song s;
    ASSERT_NO_THROW(s = song());
    EXPECT_TRUE(s.format == 0 || s.format == 1);
    EXPECT_GE(s.trackCount, 1);
    if (s.format == 0) {
        EXPECT_EQ(s.trackCount, 1);
    }
    EXPECT_EQ(s.unmatchedNotes, 0) << "notes left sounding";
}

TEST_P(Music, LastsOneToTwoMinutes) {
    const Song s = song();
    const double seconds = s.secondsAt(s.endTick);
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 120.0);
    // Music to the end: the last note starts in the final tenth.
    std::uint32_t lastNote = 0;
    for (const auto& n : s.notes) lastNote = std::max(lastNote, n.tick);
    EXPECT_GE(s.secondsAt(lastNote), 0.9 * seconds - 3.0);
}

TEST_P(Music, TempoSuitsItsMood) {
    const Song s = song();
    ASSERT_FALSE(s.tempos.empty());
    for (const auto& [tick, micros] : s.tempos) {
        const double bpm = 60e6 / micros;
        EXPECT_GE(bpm, GetParam().minBpm);
        EXPECT_LE(bpm, GetParam().maxBpm);
    }
}

TEST_P(Music, MelodicChannelsStayInTheScale) {
    const Song s = song();
    int melodic = 0;
    for (const auto& n : s.notes) {
        if (n.channel == 9) continue;
        ++melodic;
        EXPECT_TRUE(GetParam().scale.count(n.key % 12))
            << "key " << n.key << " on channel " << n.channel;
    }
    EXPECT_GT(melodic, 200);
}

TEST_P(Music, UsesJapaneseInstrumentsAndPercussion) {
    const Song s = song();
    const std::set<int> japanese{77, 106, 107,
                                 117};  // shakuhachi, shamisen, koto, taiko (on the tom)
    int found = 0;
    for (const auto& [channel, program] : s.programs)
        found += japanese.count(program) && channel != 9;
    EXPECT_GE(found, 2);
    EXPECT_TRUE(
        std::any_of(s.notes.begin(), s.notes.end(), [](const Note& n) { return n.channel == 9; }));
}

INSTANTIATE_TEST_SUITE_P(
    Assets, Music,
    testing::Values(Piece{"bgm.dat", {2, 3, 7, 9, 10}, 130, 180},  // in scale on D, a chase
                    Piece{"bgm2.dat", {2, 4, 7, 9, 11}, 50, 84}),  // yo scale on D, a procession
    [](const testing::TestParamInfo<Piece>& info) {
        return std::string(info.param.file).substr(0, std::string(info.param.file).find('.'));
    });

TEST(MidiReader, RejectsATruncatedFile) {
    auto bytes = readDataFile("bgm.dat");
    ASSERT_GT(bytes.size(), 100u);
    bytes.resize(bytes.size() - 5);
    EXPECT_THROW(parse(bytes), std::runtime_error);
}

}  // namespace
