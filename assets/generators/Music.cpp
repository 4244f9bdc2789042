#include "Music.h"

#include "Midi.h"

#include <array>
#include <initializer_list>

namespace music {
namespace {

constexpr std::uint16_t ppq = 480;
constexpr int rest = -100;

// A five-note scale; melodies are written as scale degrees so that every
// transposition and variation stays inside the mode.
struct Scale {
    int tonic;  // MIDI key of degree 0
    std::array<int, 5> steps;

    int key(int degree) const {
        const int octave = degree >= 0 ? degree / 5 : -((-degree + 4) / 5);
        return tonic + 12 * octave + steps[static_cast<std::size_t>(degree - 5 * octave)];
    }
};

struct Note {
    int degree;  // or rest
    int units;
};

// One instrument line: where it writes, and the length of its time unit.
struct Voice {
    midi::Track& track;
    int channel;
    const Scale& scale;
    std::uint32_t unit;

    // Plays notes one after the other from tick at and returns the tick after
    // the last. Notes on a beat, and more so on a bar line, are leant on.
    std::uint32_t play(std::uint32_t at, std::initializer_list<Note> notes, int shift, int velocity,
                       double legato = 0.92) const {
        for (const Note& n : notes) {
            const std::uint32_t length = unit * static_cast<std::uint32_t>(n.units);
            if (n.degree != rest) {
                int v = velocity;
                if (at % (4 * ppq) == 0)
                    v += 10;
                else if (at % ppq == 0)
                    v += 5;
                const auto held = static_cast<std::uint32_t>(static_cast<double>(length) * legato);
                track.note(at, held > 0 ? held : 1, channel, scale.key(n.degree + shift), v);
            }
            at += length;
        }
        return at;
    }

    void hit(std::uint32_t at, int degree, int velocity, std::uint32_t length) const {
        track.note(at, length, channel, scale.key(degree), velocity);
    }
};

// Expression scales a whole tune against the other, so both play at the
// same loudness under one synthesizer gain.
void setUp(midi::Track& t, int channel, int program, int volume, int pan, int reverb,
           int expression = 127) {
    t.program(0, channel, program);
    t.controller(0, channel, 7, volume);
    t.controller(0, channel, 10, pan);
    t.controller(0, channel, 91, reverb);
    t.controller(0, channel, 11, expression);
}

// General MIDI drum keys used here.
constexpr int kickDrum = 36;
constexpr int acousticBassDrum = 35;
constexpr int crash = 49;
constexpr int chineseCymbal = 52;
constexpr int closedHat = 42;
constexpr int hiWoodBlock = 76;
constexpr int lowWoodBlock = 77;
constexpr int drums = 9;

// The taiko is the melodic tom an octave below the written drum notes: the
// game's soundfont has a taiko that swells for 80-110 ms, a drone rather than
// a stroke, while its tom pitched down strikes within 15 ms and rings out
// deep and long, as a taiko does.
constexpr int taikoProgram = 117;
constexpr int taikoOctave = -12;

void drum(midi::Track& t, std::uint32_t at, int key, int velocity) {
    t.note(at, ppq / 4, drums, key, velocity);
}

// The two tunes are written as a score is read, one phrase to a line however
// long it runs; the formatter leaves them as written.
// clang-format off
// ---------------------------------------------------------------------------
// The chase: 152 beats a minute, eighth-note grid.

std::vector<std::uint8_t> composeChase() {
    const Scale in{62, {0, 1, 5, 7, 8}};  // D Eb G A Bb
    constexpr std::uint32_t eighth = ppq / 2;
    constexpr std::uint32_t bar = 8 * eighth;

    midi::Track conductor("Zanrai - the chase");
    conductor.tempo(0, 152);
    conductor.timeSignature(0, 4, 2);
    midi::Track shamisenTrack("Shamisen");
    midi::Track kotoTrack("Koto");
    midi::Track fluteTrack("Shakuhachi");
    midi::Track bassTrack("Bass");
    midi::Track taikoTrack("Taiko");
    midi::Track drumTrack("Wood blocks");
    // Through the game's soundfont the chase sounds about 1.5 dB louder than
    // the procession at the same volumes: expression takes it back.
    constexpr int expression = 118;
    setUp(shamisenTrack, 0, 106, 110, 70, 30, expression);
    setUp(kotoTrack, 1, 107, 92, 40, 40, expression);
    setUp(fluteTrack, 2, 77, 96, 84, 60, expression);
    setUp(bassTrack, 3, 32, 100, 64, 20, expression);
    setUp(taikoTrack, 4, taikoProgram, 127, 60, 40, expression);
    drumTrack.controller(0, drums, 7, 96);
    drumTrack.controller(0, drums, 91, 30);
    drumTrack.controller(0, drums, 11, expression);

    const Voice shamisen{shamisenTrack, 0, in, eighth};
    const Voice koto{kotoTrack, 1, in, eighth};
    const Voice flute{fluteTrack, 2, in, eighth};
    const Voice bass{bassTrack, 3, in, eighth};
    const Scale inDrums{in.tonic + taikoOctave, in.steps};
    const Voice taiko{taikoTrack, 4, inDrums, eighth};

    // Koto figures over the two pillars of the mode, D and A, and over G.
    enum Root { D, A, G };
    auto kotoBar = [&](std::uint32_t at, Root r, int velocity) {
        switch (r) {
        case D: koto.play(at, {{-5, 1}, {-2, 1}, {0, 1}, {-2, 1}, {-5, 1}, {-2, 1}, {1, 1}, {-2, 1}}, 0, velocity, 0.8); break;
        case A: koto.play(at, {{-7, 1}, {-5, 1}, {-2, 1}, {-5, 1}, {-7, 1}, {-5, 1}, {-1, 1}, {-5, 1}}, 0, velocity, 0.8); break;
        case G: koto.play(at, {{-8, 1}, {-5, 1}, {-3, 1}, {-5, 1}, {-8, 1}, {-5, 1}, {-2, 1}, {-5, 1}}, 0, velocity, 0.8); break;
        }
    };
    auto bassBar = [&](std::uint32_t at, Root r, int velocity) {
        const int low = r == D ? -10 : r == A ? -7 : -8;
        bass.play(at, {{0, 1}, {0, 1}, {5, 1}, {0, 1}, {0, 1}, {0, 1}, {5, 1}, {0, 1}}, low, velocity, 0.6);
    };
    // Taiko: "don . . don don . don don", with the low drum answering.
    auto taikoBar = [&](std::uint32_t at, int velocity, bool busy) {
        taiko.hit(at, -5, velocity + 15, eighth);
        taiko.hit(at + 3 * eighth, -7, velocity - 10, eighth);
        taiko.hit(at + 4 * eighth, -5, velocity, eighth);
        if (busy)
            taiko.hit(at + 5 * eighth, -7, velocity - 20, eighth);
        taiko.hit(at + 6 * eighth, -7, velocity - 5, eighth);
        taiko.hit(at + 7 * eighth, -5, velocity + 5, eighth);
    };
    auto blocksBar = [&](std::uint32_t at, int velocity, bool hats) {
        for (int i = 0; i < 8; ++i) {
            const std::uint32_t t = at + static_cast<std::uint32_t>(i) * eighth;
            drum(drumTrack, t, i % 2 == 0 ? lowWoodBlock : hiWoodBlock, velocity - (i % 2) * 12);
            if (hats)
                drum(drumTrack, t + eighth / 2, closedHat, velocity - 30);
        }
        drum(drumTrack, at, kickDrum, velocity + 10);
        drum(drumTrack, at + 4 * eighth, kickDrum, velocity);
    };

    // The theme: four two-bar phrases, call, answer, call varied, close.
    auto theme = [&](const Voice& v, std::uint32_t at, int shift, int velocity, bool close) {
        at = v.play(at, {{5, 1}, {5, 1}, {4, 1}, {3, 1}, {4, 2}, {3, 1}, {2, 1}, {3, 3}, {2, 1}, {1, 2}, {0, 2}}, shift, velocity);
        at = v.play(at, {{3, 1}, {5, 1}, {6, 2}, {5, 1}, {4, 1}, {3, 2}, {4, 1}, {3, 1}, {2, 1}, {3, 1}, {2, 4}}, shift, velocity);
        at = v.play(at, {{5, 1}, {5, 1}, {4, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}, {6, 1}, {5, 1}, {4, 2}, {3, 2}}, shift, velocity);
        if (close)
            at = v.play(at, {{4, 1}, {3, 1}, {2, 1}, {3, 1}, {1, 1}, {1, 1}, {0, 2}, {0, 1}, {rest, 1}, {0, 1}, {rest, 1}, {0, 2}, {rest, 2}}, shift, velocity, 0.7);
        return at;
    };
    const std::array<Root, 8> themeRoots{D, D, A, D, D, G, A, D};

    std::uint32_t t = 0;

    // Intro, 4 bars: the drums gather, then the strings join.
    taiko.hit(t, -5, 110, eighth);
    taiko.hit(t + 4 * eighth, -7, 90, eighth);
    taiko.hit(t + bar, -5, 110, eighth);
    taiko.hit(t + bar + 3 * eighth, -7, 80, eighth);
    for (int i = 4; i < 8; ++i)
        taiko.hit(t + bar + static_cast<std::uint32_t>(i) * eighth, -5, 70 + 10 * i, eighth);
    shamisen.play(t, {{-5, 8}, {-5, 8}}, 0, 60, 0.95);
    for (int b = 2; b < 4; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        kotoBar(at, D, 70);
        bassBar(at, D, 80);
        taikoBar(at, 90, false);
        blocksBar(at, 70, false);
    }
    shamisen.play(t + 2 * bar, {{rest, 4}, {5, 1}, {4, 1}, {3, 1}, {2, 1}, {3, 4}, {2, 1}, {1, 1}, {0, 2}}, 0, 90);
    t += 4 * bar;

    // A: the theme on shamisen.
    drum(drumTrack, t, crash, 100);
    theme(shamisen, t, 0, 96, true);
    for (std::size_t b = 0; b < 8; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        kotoBar(at, themeRoots[b], 72);
        bassBar(at, themeRoots[b], 88);
        taikoBar(at, 92, b % 2 == 1);
        blocksBar(at, 72, false);
    }
    t += 8 * bar;

    // B: the flute soars over a running shamisen figure.
    flute.play(t, {{7, 4}, {6, 2}, {5, 2}, {6, 6}, {5, 2}, {4, 3}, {5, 1}, {4, 2}, {3, 2}, {3, 8},
                   {5, 4}, {6, 2}, {7, 2}, {8, 6}, {7, 1}, {6, 1}, {5, 2}, {4, 2}, {5, 2}, {4, 2}, {3, 8}},
               0, 88, 0.97);
    const std::array<Root, 8> bRoots{D, D, G, A, D, D, G, A};
    for (std::size_t b = 0; b < 8; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        if (b % 2 == 0)
            shamisen.play(at, {{-5, 1}, {0, 1}, {-2, 1}, {0, 1}, {-4, 1}, {0, 1}, {-2, 1}, {0, 1}}, 0, 74, 0.5);
        else
            shamisen.play(at, {{-5, 1}, {0, 1}, {-2, 1}, {0, 1}, {-1, 1}, {0, 1}, {-2, 1}, {-3, 1}}, 0, 74, 0.5);
        bass.play(at, {{0, 4}, {0, 2}, {3, 2}}, bRoots[b] == D ? -10 : bRoots[b] == A ? -7 : -8, 82, 0.8);
        taikoBar(at, 80, false);
        drum(drumTrack, at, kickDrum, 76);
        drum(drumTrack, at + 6 * eighth, hiWoodBlock, 60);
    }
    t += 8 * bar;

    // A': the theme again, the koto shadowing it an octave below.
    drum(drumTrack, t, crash, 104);
    theme(shamisen, t, 0, 100, true);
    theme(koto, t, -5, 74, true);
    for (std::size_t b = 0; b < 8; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        bassBar(at, themeRoots[b], 90);
        taikoBar(at, 98, true);
        blocksBar(at, 76, true);
    }
    t += 8 * bar;

    // Break: the drums alone under a trembling shamisen and a falling flute.
    for (int b = 0; b < 4; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        for (int i = 0; i < 16; ++i) {
            const std::uint32_t s = at + static_cast<std::uint32_t>(i) * (eighth / 2);
            if (b < 3 ? (i % 4 == 0 || i % 4 == 3) : true)
                taiko.hit(s, i % 2 == 0 ? -5 : -7, b < 3 ? 80 + 8 * (i % 4 == 0) : 60 + 4 * i, eighth / 2);
            shamisenTrack.note(s, eighth / 2 - 20, 0, in.key(0), 50 + 6 * b);
        }
        bass.play(at, {{-10, 8}}, 0, 70, 0.98);
    }
    flute.play(t, {{8, 8}, {7, 4}, {6, 4}, {5, 8}, {3, 8}}, 0, 84, 0.98);
    t += 4 * bar;

    // C: a climbing figure, bar by bar, toward the last statement.
    const std::array<int, 7> climb{0, 0, 2, 2, 3, 3, 5};
    for (std::size_t b = 0; b < 7; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        const int s = climb[b];
        shamisen.play(at, {{0, 1}, {1, 1}, {0, 1}, {-1, 1}, {0, 1}, {2, 1}, {3, 2}}, s + 5, 86 + 2 * static_cast<int>(b));
        const Root r = s == 2 ? G : s == 3 ? A : D;
        kotoBar(at, r, 70 + 2 * static_cast<int>(b));
        bassBar(at, r, 86);
        taikoBar(at, 90 + 2 * static_cast<int>(b), b >= 4);
        blocksBar(at, 70 + 2 * static_cast<int>(b), b >= 2);
    }
    flute.play(t, {{5, 16}, {7, 16}, {8, 16}, {10, 8}}, 0, 80, 0.98);
    const std::uint32_t runBar = t + 7 * bar;
    shamisen.play(runBar, {{5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}, {10, 1}, {rest, 2}}, 0, 104);
    for (int i = 0; i < 8; ++i)
        taiko.hit(runBar + static_cast<std::uint32_t>(i) * eighth, i % 2 == 0 ? -5 : -7, 80 + 5 * i, eighth);
    bass.play(runBar, {{-10, 6}}, 0, 90, 0.9);
    t += 8 * bar;

    // A'': the theme in full, then the close and one last stroke.
    drum(drumTrack, t, crash, 112);
    theme(shamisen, t, 0, 106, false);
    theme(koto, t, -5, 80, false);
    flute.play(t, {{5, 8}, {3, 8}, {6, 8}, {3, 8}, {7, 8}, {5, 8}}, 0, 82, 0.98);
    for (std::size_t b = 0; b < 6; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        bassBar(at, themeRoots[b], 94);
        taikoBar(at, 100, true);
        blocksBar(at, 80, true);
    }
    t += 6 * bar;
    shamisen.play(t, {{7, 1}, {6, 1}, {5, 1}, {4, 1}, {3, 1}, {1, 1}, {0, 2}, {0, 2}, {rest, 2}, {0, 1}, {0, 1}, {rest, 2}}, 0, 108, 0.75);
    koto.play(t, {{2, 1}, {1, 1}, {0, 1}, {-1, 1}, {-2, 1}, {-4, 1}, {-5, 2}, {-5, 2}, {rest, 2}, {-5, 1}, {-5, 1}, {rest, 2}}, 0, 84, 0.75);
    bass.play(t, {{-10, 2}, {-10, 2}, {-5, 2}, {-10, 2}, {-10, 2}, {rest, 2}, {-10, 1}, {-10, 1}, {rest, 2}}, 0, 96, 0.7);
    for (int i = 0; i < 8; ++i)
        taiko.hit(t + static_cast<std::uint32_t>(i) * eighth, i % 2 == 0 ? -5 : -7, 90 + 3 * i, eighth);
    taiko.hit(t + bar + 6 * eighth, -5, 110, eighth);
    taiko.hit(t + bar + 7 * eighth, -5, 115, eighth);
    t += 2 * bar;

    // The last stroke: everyone on D, left to ring.
    drum(drumTrack, t, crash, 120);
    drum(drumTrack, t, kickDrum, 120);
    taiko.hit(t, -5, 124, bar);
    taiko.hit(t, -10, 120, bar);
    shamisen.hit(t, 0, 118, 3 * eighth);
    shamisen.hit(t, 5, 118, 3 * eighth);
    koto.hit(t, -5, 100, 4 * eighth);
    koto.hit(t, -2, 96, 4 * eighth);
    koto.hit(t, 0, 96, 4 * eighth);
    bass.hit(t, -10, 110, 4 * eighth);
    t += bar;

    std::vector<midi::Track> tracks{conductor, shamisenTrack, kotoTrack, fluteTrack, bassTrack, taikoTrack, drumTrack};
    for (auto& tr : tracks)
        tr.extendTo(t);
    return midi::file(ppq, tracks);
}

// ---------------------------------------------------------------------------
// The procession: 70 beats a minute, sixteenth-note grid, all over-solemn.

std::vector<std::uint8_t> composeProcession() {
    const Scale yo{62, {0, 2, 5, 7, 9}};  // D E G A B
    constexpr std::uint32_t sixteenth = ppq / 4;
    constexpr std::uint32_t bar = 16 * sixteenth;

    midi::Track conductor("Zanrai - the procession");
    conductor.tempo(0, 70);
    conductor.timeSignature(0, 4, 2);
    midi::Track brassTrack("Brass");
    midi::Track stringsTrack("Strings");
    midi::Track fluteTrack("Shakuhachi");
    midi::Track kotoTrack("Koto");
    midi::Track taikoTrack("Taiko");
    midi::Track tubaTrack("Tuba");
    midi::Track timpaniTrack("Timpani");
    midi::Track drumTrack("Cymbals");
    setUp(brassTrack, 0, 61, 104, 58, 50);
    setUp(stringsTrack, 1, 48, 88, 74, 70);
    setUp(fluteTrack, 2, 77, 96, 50, 70);
    setUp(kotoTrack, 3, 107, 90, 80, 50);
    setUp(taikoTrack, 4, taikoProgram, 127, 64, 60);
    setUp(tubaTrack, 5, 58, 92, 60, 40);
    setUp(timpaniTrack, 6, 47, 100, 64, 60);
    drumTrack.controller(0, drums, 7, 90);
    drumTrack.controller(0, drums, 91, 80);

    const Voice brass{brassTrack, 0, yo, sixteenth};
    const Voice strings{stringsTrack, 1, yo, sixteenth};
    const Voice flute{fluteTrack, 2, yo, sixteenth};
    const Voice koto{kotoTrack, 3, yo, sixteenth};
    const Scale yoDrums{yo.tonic + taikoOctave, yo.steps};
    const Voice taiko{taikoTrack, 4, yoDrums, sixteenth};
    const Voice tuba{tubaTrack, 5, yo, sixteenth};
    const Voice timpani{timpaniTrack, 6, yo, sixteenth};

    // Harmony is bare fifths on a bar's root degree (0 = D, 1 = E, 2 = G,
    // 3 = A), which keeps every chord inside the scale and sounds ceremonial.
    auto chord = [&](std::uint32_t at, int root, int velocity, std::uint32_t length) {
        for (int d : {root - 5, root - 2, root})
            strings.hit(at, d, velocity, length);
    };
    auto tubaBar = [&](std::uint32_t at, int root, int velocity) {
        tuba.play(at, {{root - 10, 12}, {root - 10, 2}, {root - 5, 2}}, 0, velocity, 0.9);
    };
    auto taikoBar = [&](std::uint32_t at, int velocity, bool grand) {
        taiko.hit(at, -10, velocity + 10, 4 * sixteenth);
        taiko.hit(at + 8 * sixteenth, -10, velocity, 4 * sixteenth);
        if (grand) {
            taiko.hit(at + 12 * sixteenth, -7, velocity - 15, 2 * sixteenth);
            taiko.hit(at + 14 * sixteenth, -7, velocity - 10, 2 * sixteenth);
        } else {
            taiko.hit(at + 14 * sixteenth, -7, velocity - 25, 2 * sixteenth);
        }
        drum(drumTrack, at, acousticBassDrum, velocity);
    };
    auto timpaniBar = [&](std::uint32_t at, int root, int velocity) {
        const int low = root == 3 ? -7 : -10;  // A2 or D2
        timpani.hit(at, low, velocity, 4 * sixteenth);
        timpani.hit(at + 8 * sixteenth, low, velocity - 15, 4 * sixteenth);
    };
    auto kotoBar = [&](std::uint32_t at, int root, int velocity) {
        koto.play(at, {{root - 5, 2}, {root - 2, 2}, {root, 2}, {root + 3, 2}, {root + 5, 2}, {root + 3, 2}, {root, 2}, {root - 2, 2}},
                  0, velocity, 0.95);
    };

    // The processional theme in two four-bar halves: the first comes to rest
    // on A, the second climbs higher and settles on D.
    auto theme = [&](const Voice& v, std::uint32_t at, int shift, int velocity) {
        at = v.play(at, {{5, 6}, {4, 2}, {3, 8}, {2, 6}, {3, 2}, {4, 4}, {3, 4}, {1, 6}, {2, 2}, {3, 4}, {5, 4}, {3, 16}}, shift,
                    velocity, 0.95);
        return v.play(at, {{5, 6}, {6, 2}, {7, 8}, {8, 6}, {7, 2}, {6, 4}, {5, 4}, {4, 6}, {5, 2}, {3, 4}, {1, 4}, {0, 16}}, shift,
                      velocity, 0.95);
    };
    const std::array<int, 8> themeRoots{0, 2, 1, 3, 0, 3, 2, 0};

    std::uint32_t t = 0;

    // Fanfare, 2 bars: the procession comes into view.
    drum(drumTrack, t, chineseCymbal, 100);
    brass.play(t, {{-5, 6}, {-5, 1}, {-5, 1}, {0, 8}, {3, 6}, {3, 1}, {3, 1}, {5, 8}}, 0, 96);
    brass.play(t, {{-10, 6}, {-10, 1}, {-10, 1}, {-5, 8}, {-2, 6}, {-2, 1}, {-2, 1}, {0, 8}}, 0, 84);
    tuba.play(t, {{-10, 16}, {-10, 16}}, 0, 90);
    taikoBar(t, 100, false);
    taikoBar(t + bar, 104, true);
    chord(t + bar, 0, 70, bar);
    t += 2 * bar;

    // A: the theme on brass in octaves over strings, tuba and drums.
    drum(drumTrack, t, crash, 100);
    drum(drumTrack, t + 4 * bar, crash, 90);
    theme(brass, t, 0, 92);
    theme(brass, t, -5, 80);
    for (std::size_t b = 0; b < 8; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        chord(at, themeRoots[b], 64, bar - 20);
        tubaBar(at, themeRoots[b], 86);
        taikoBar(at, 96, b % 4 == 3);
        timpaniBar(at, themeRoots[b], 80);
    }
    t += 8 * bar;

    // B: a gentler verse, the lord's kindly side, on shakuhachi and koto.
    flute.play(t, {{3, 8}, {4, 4}, {5, 4}, {6, 12}, {5, 4}, {4, 6}, {3, 2}, {2, 4}, {1, 4}, {3, 16},
                   {5, 8}, {6, 4}, {7, 4}, {8, 12}, {7, 4}, {6, 4}, {5, 4}, {4, 4}, {3, 2}, {1, 2}, {3, 8}, {rest, 8}},
               0, 90, 0.97);
    const std::array<int, 8> bRoots{0, 3, 1, 3, 0, 3, 1, 3};
    for (std::size_t b = 0; b < 8; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        kotoBar(at, bRoots[b], 70);
        chord(at, bRoots[b], 48, bar - 20);
        taiko.hit(at, -10, 72, 4 * sixteenth);
        if (b % 2 == 1)
            tuba.play(at, {{bRoots[b] - 10, 16}}, 0, 66, 0.9);
    }
    // A swelling roll on the last bar leads back to the theme.
    for (int i = 0; i < 16; ++i)
        taiko.hit(t + 7 * bar + static_cast<std::uint32_t>(i) * sixteenth, i % 2 == 0 ? -10 : -7, 60 + 4 * i, sixteenth);
    t += 8 * bar;

    // A': everyone, the strings singing a descant above the brass.
    drum(drumTrack, t, chineseCymbal, 110);
    drum(drumTrack, t + 4 * bar, crash, 100);
    theme(brass, t, 0, 100);
    theme(brass, t, -5, 88);
    for (std::size_t b = 0; b < 8; ++b) {
        const std::uint32_t at = t + static_cast<std::uint32_t>(b) * bar;
        const int r = themeRoots[b];
        strings.play(at, {{r + 8, 8}, {r + 5, 8}}, 0, 74, 0.98);
        chord(at, r, 62, bar - 20);
        tubaBar(at, r, 94);
        taikoBar(at, 104, true);
        timpaniBar(at, r, 92);
        kotoBar(at, r, 62);
    }
    t += 8 * bar;

    // Coda, 3 bars: the fanfare returns and the whole court bows.
    brass.play(t, {{3, 6}, {3, 1}, {3, 1}, {5, 8}, {4, 6}, {4, 1}, {4, 1}, {6, 8}, {5, 16}}, 0, 104);
    brass.play(t, {{-2, 6}, {-2, 1}, {-2, 1}, {0, 8}, {-1, 6}, {-1, 1}, {-1, 1}, {1, 8}, {0, 16}}, 0, 92);
    brass.hit(t + 2 * bar, -5, 96, bar);
    chord(t, 3, 70, bar);
    chord(t + bar, 1, 74, bar);
    chord(t + 2 * bar, 0, 84, bar);
    strings.hit(t + 2 * bar, 5, 84, bar);
    tuba.play(t, {{-7, 16}, {-9, 16}, {-10, 16}}, 0, 96);
    taikoBar(t, 108, true);
    for (int i = 0; i < 16; ++i)
        timpani.hit(t + bar + static_cast<std::uint32_t>(i) * sixteenth, -10, 60 + 3 * i, sixteenth);
    drum(drumTrack, t + 2 * bar, chineseCymbal, 124);
    drum(drumTrack, t + 2 * bar, crash, 116);
    taiko.hit(t + 2 * bar, -10, 124, bar);
    timpani.hit(t + 2 * bar, -10, 120, bar);
    t += 3 * bar;
    t += bar / 2;  // room for the last chord to die away

    std::vector<midi::Track> tracks{conductor, brassTrack, stringsTrack, fluteTrack, kotoTrack,
                                    taikoTrack, tubaTrack, timpaniTrack, drumTrack};
    for (auto& tr : tracks)
        tr.extendTo(t);
    return midi::file(ppq, tracks);
}
// clang-format on

}  // namespace

std::vector<std::uint8_t> chase() { return composeChase(); }
std::vector<std::uint8_t> procession() { return composeProcession(); }

}  // namespace music
