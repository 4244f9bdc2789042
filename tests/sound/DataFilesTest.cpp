// What the sound module reads from the data files before any library sees
// them: WAV headers and the instruments a tune selects.

#include <gtest/gtest.h>

#include "SoundTestFiles.h"
#include "TunePresets.h"
#include "WavHeader.h"

namespace {

using mm::WavProblem;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = std::uint8_t(v), b[at + 1] = std::uint8_t(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, std::uint16_t(v)), put16(b, at + 2, std::uint16_t(v >> 16));
}

WavProblem check(const Bytes& b) { return mm::checkWavHeader(b.data(), b.size()); }

TEST(WavHeader, AcceptsWhatTheGamePlaysAndNothingElse) {
    const Bytes good = soundtest::squareWav(20, 22050);  // mono, 16 bits
    mm::WavFormat f;
    ASSERT_EQ(mm::checkWavHeader(good.data(), good.size(), &f), WavProblem::None);
    EXPECT_EQ(f.dataOffset, 44u);
    EXPECT_EQ(f.dataBytes, good.size() - 44);

    // An odd-sized chunk before the format is skipped with its pad byte.
    Bytes listed(good.begin(), good.begin() + 12);
    listed.insert(listed.end(), {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0});
    listed.insert(listed.end(), good.begin() + 12, good.end());
    EXPECT_EQ(check(listed), WavProblem::None);

    struct Case {
        std::size_t at;
        int bytes;
        std::uint32_t value;
        WavProblem expected;
    };
    // Offsets in the 44-byte header: 20 format, 22 channels, 24 rate,
    // 28 byte rate, 32 block, 34 bits, 40 data size.
    const Case cases[] = {
        {0, 4, 0x46464952 + 1, WavProblem::NotRiffWave},
        {20, 2, 3, WavProblem::NotPcm},
        {20, 2, 0xFFFE, WavProblem::NotPcm},
        {22, 2, 0, WavProblem::BadChannels},
        {22, 2, 3, WavProblem::BadChannels},
        {34, 2, 24, WavProblem::BadBits},
        {24, 4, 1, WavProblem::BadRate},
        {24, 4, 96001, WavProblem::BadRate},
        {28, 4, 1, WavProblem::InconsistentFormat},
        {32, 2, 4, WavProblem::InconsistentFormat},
        {40, 4, 0xFFFFFFFF, WavProblem::DataPastEnd},
        {40, 4, 1, WavProblem::NoData},
        {16, 4, 0xFFFFFFF0, WavProblem::BadChunk},
        {12, 4, 0x61746164, WavProblem::NoFormat},
    };
    for (const Case& c : cases) {
        Bytes b = good;
        c.bytes == 2 ? put16(b, c.at, std::uint16_t(c.value)) : put32(b, c.at, c.value);
        EXPECT_EQ(check(b), c.expected) << "offset " << c.at << " = " << c.value;
    }
    for (std::size_t cut : {0u, 11u, 30u, 44u}) {
        EXPECT_NE(check(Bytes(good.begin(), good.begin() + cut)), WavProblem::None) << cut;
    }
}

TEST(TunePresets, FindsEveryProgramChangeWithItsBank) {
    // Track 1: bank 8 then program 5 on channel 1 (running status), a SysEx
    // and a meta event; track 2: percussion kit 25 and a change half-way.
    const Bytes t1 = {0, 0xB1, 0,   8, 0,    0xC1, 5,   0,  0xF0, 2, 1, 0xF7, 0,    0xFF,
                      3, 1,    'x', 0, 0x91, 60,   100, 10, 60,   0, 0, 0xFF, 0x2F, 0};
    const Bytes t2 = {0, 0xC9, 25, 0, 0xC0, 40, 0x60, 0xC0, 41, 0, 0x93, 64, 90, 0, 0xFF, 0x2F, 0};
    Bytes smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96};
    for (const Bytes* t : {&t1, &t2}) {
        smf.insert(smf.end(), {'M', 'T', 'r', 'k', 0, 0, 0, std::uint8_t(t->size())});
        smf.insert(smf.end(), t->begin(), t->end());
    }
    const std::set<std::pair<int, int>> expected = {{8, 5}, {128, 25}, {0, 40}, {0, 41}, {0, 0}};
    std::uint16_t defaults = 0;
    EXPECT_EQ(mm::tunePresets(smf, &defaults), expected);
    EXPECT_EQ(defaults, 1u << 3);
    // Damage ends the reading of a track, never the program.
    for (std::ptrdiff_t cut = 14; cut < std::ssize(smf); ++cut)
        mm::tunePresets(Bytes(smf.begin(), smf.begin() + cut));
    Bytes lying = smf;
    put32(lying, 18, 0x7FFFFFFF);  // a track longer than the file
    EXPECT_EQ(mm::tunePresets(lying).count({8, 5}), 1u);
}

}  // namespace
