// The life cycle of a game: Start, Reset, Exit, and the end of a game with
// its message box, best score and save.

#include <QTimer>
#include <iostream>

#include "Form1.h"
#include "Multimedia32.h"
#include "NativePath.h"
#include "Pace.h"
#include "RankFile.h"
#include "SaveQueue.h"
#include "Timing.h"

void Form1::mnustart_Click() {
    qCDebug(zanraiTiming, "Start %lld", timingNow());
    Label10->setCaption(uraMode != 0 ? QStringLiteral("懲らしめてあげなさい")
                                     : QStringLiteral("曲者じゃ出会えぃ"));
    enableCharacters(true);
    StartPlay();
}

void Form1::StartPlay() {
    multimedia_->MidiOpen(nativePath(uraMode != 0 ? bgm2Path : bgmPath));
    game.start();
    multimedia_->MidiPlay();
    switchGameTimers(true);
}

void Form1::StopPlay() {
    switchGameTimers(false);
    multimedia_->MidiStop();
}

void Form1::GameOver() {
    services_.beep();
    multimedia_->MidiStop();
    switchGameTimers(false);
    enableCharacters(false);
    game.endGame();

    services_.messageBox(QStringLiteral("無念…。"), QStringLiteral("Zanrai暫定版"));
    // Exit (a termination signal) while the box was open closes the box:
    // the program has ended, and nothing more runs or is saved.
    if (ending_ != Ending::playing) return;

    // The save runs behind the window: the next game may start while it
    // waits for another copy's lock or for the disk.
    if (saves().push(rankPath(), highScore)) ++savesPending_;
    if (game.unlocksSpecialMode()) RevealUraMenu();
    mnuRst_Click();
}

rankfile::SaveQueue& Form1::saves() {
    // Made at the first game over: a run without one has no saving thread.
    if (!saves_) {
        saves_ = std::make_unique<rankfile::SaveQueue>(
            services_.rankLockWait, [this](const rankfile::SaveResult& saved) {
                // Said at once, from the saving thread: a save finished
                // after Exit still tells what it did.
                for (const QString& note : saved.notes)
                    std::cerr << "zanrai: " << note.toStdString() << '\n';
                QMetaObject::invokeMethod(
                    this, [this, saved] { saveDone(saved); }, Qt::QueuedConnection);
            });
    }
    return *saves_;
}

void Form1::saveDone(const rankfile::SaveResult& saved) {
    --savesPending_;
    if (!saved.ok) {
        // No fallback: the player is told, and the program ends. The old
        // content of rank.dat is still there. A game begun meanwhile stops
        // first, so that nothing moves behind the report.
        exitStatus_ = 1;
        if (ending_ == Ending::playing) {
            ending_ = Ending::reportingSave;
            StopPlay();
            services_.fileError(saved.error);
            // Exit (a termination signal) during the report ended it already.
            if (ending_ == Ending::ended) return;
            ending_ = Ending::ended;
            services_.endProgram(1);
            return;
        }
        services_.fileError(saved.error);
    } else if (ending_ == Ending::playing && game.adoptBest(saved.saved)) {
        // Another copy of the game saved a better score meanwhile; the file
        // keeps it, and so does this game.
        if (game.unlocksSpecialMode()) RevealUraMenu();
    }
    if (ending_ == Ending::awaitingSaves && savesPending_ == 0) endAfterSaves();
}

void Form1::endAfterSaves() {
    if (ending_ == Ending::ended) return;
    ending_ = Ending::ended;
    services_.endProgram(exitStatus_);
}

void Form1::mnuRst_Click() {
    multimedia_->MidiStop();
    StopPlay();
    game.reset();
    Label10->setCaption(QStringLiteral("レッツプレイ"));
    for (kit::ImageControl* target : targets) target->setTop(pace::homeTop);
    enableCharacters(false);
    Image6->setPicture(Image8->picture());
    Image9->setPicture(Image10->picture());
    Label11->setVisible(false);
}

void Form1::mnuExit_Click() {
    StopPlay();
    multimedia_->MidiClose();
    hide();
    if (ending_ == Ending::awaitingSaves || ending_ == Ending::ended) return;
    // A save still under way belongs to a game that was finished: it may
    // end first. However many wait, all are attempted within one cap.
    if (savesPending_ == 0) return endAfterSaves();
    ending_ = Ending::awaitingSaves;
    saves_->finishBy(std::chrono::steady_clock::now() + services_.rankLockWait);
    QTimer::singleShot(services_.rankLockWait, this, [this] { endAfterSaves(); });
}
