#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "Form1.h"
#include "Multimedia32.h"
#include "Pace.h"
#include "SoundProbes.h"
#include "SystemMultimedia.h"

namespace bench {

// What every benchmark shares. There can be only one real sound back end per
// process, so the game window and the sound benchmarks use the same one.
struct Context {
    QTemporaryDir work;
    QString dataDir;
    std::unique_ptr<mm::SystemMultimedia> sound;
    bool soundfontLoaded = false;
    // A second Multimedia32 on the same service, for the sound module alone.
    std::unique_ptr<Multimedia32> module;
    std::unique_ptr<Form1> form;

    std::string cutSound() const;
    std::string deflectSound() const;
    std::string music() const;

    mm::SoundProbes probes() const { return mm::SoundProbes(*sound); }

    // Silences the effect channel, so that the next request really starts.
    void haltEffect();
};

// Builds the context once: the real back end (waiting for the soundfont), a
// loaded and shown main window, rank.dat in a temporary folder. Returns an
// error message, empty on success.
QString setUp(bool quick);

// Where the targets wait, and a top past the limit, in twips.
using pace::homeTop;
inline constexpr float pastLimitTop = pace::limitTop + 20.0F;

void homeTargets(Form1& f);
// A game as Start leaves it (music playing), but with its timers held: the
// benchmark is the only one to tick it, so each iteration sees the state it
// expects.
Form1& startedGame();
// The game reset, its music stopped.
void stoppedGame();
Context& context();
bool quickRun();
void tearDown();

}  // namespace bench
