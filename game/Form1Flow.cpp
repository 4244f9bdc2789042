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
    EnableCharacters(true);
    StartPlay();
}

void Form1::StartPlay() {
    multimedia_->MidiOpen(nativePath(uraMode != 0 ? bgm2Path : bgmPath));
    moveStep = levelStep;
    multimedia_->MidiPlay();
    SwitchGameTimers(true);
}

void Form1::StopPlay() {
    SwitchGameTimers(false);
    multimedia_->MidiStop();
}

void Form1::GameOver() {
    services_.beep();
    multimedia_->MidiStop();
    SwitchGameTimers(false);
    EnableCharacters(false);
    if (score > comparable(highScore)) highScore = score;
    Label5->setCaption(QString::fromStdString(highScoreText(highScore)));

    services_.messageBox(QStringLiteral("無念…。"), QStringLiteral("Zanrai暫定版"));
    // Exit (a termination signal) while the box was open closes the box:
    // the program has ended, and nothing more runs or is saved.
    if (ended_) return;

    // The save runs behind the window: the next game may start while it
    // waits for another copy's lock or for the disk.
    if (!saves_) {
        saves_ = std::make_shared<rankfile::SaveQueue>(
            services_.rankLockWait, [this](const rankfile::SaveResult& saved) {
                // Said at once, from the saving thread: a save finished
                // after Exit still tells what it did.
                for (const QString& note : saved.notes)
                    std::cerr << "zanrai: " << note.toStdString() << '\n';
                QMetaObject::invokeMethod(this, [this, saved] { SaveDone(saved); },
                                          Qt::QueuedConnection);
            });
    }
    if (saves_->push(rankPath(), highScore)) ++savesPending_;
    if (comparable(highScore) > 150) RevealUraMenu();
    mnuRst_Click();
}

void Form1::SaveDone(const rankfile::SaveResult& saved) {
    --savesPending_;
    if (!saved.ok) {
        // No fallback: the player is told, and the program ends. The old
        // content of rank.dat is still there. A game begun meanwhile stops
        // first, so that nothing moves behind the report.
        exitStatus_ = 1;
        if (!ended_) {
            ended_ = true;
            StopPlay();
            services_.fileError(saved.error);
            exited_ = true;
            services_.endProgram(1);
            return;
        }
        services_.fileError(saved.error);
    } else if (!ended_ && comparable(saved.saved) > comparable(highScore)) {
        // Another copy of the game saved a better score meanwhile; the file
        // keeps it, and so does this game.
        highScore = saved.saved;
        Label5->setCaption(QString::fromStdString(highScoreText(highScore)));
        if (comparable(highScore) > 150) RevealUraMenu();
    }
    if (exiting_ && savesPending_ == 0) EndAfterSaves();
}

void Form1::EndAfterSaves() {
    if (exited_) return;
    exited_ = true;
    services_.endProgram(exitStatus_);
}

void Form1::mnuRst_Click() {
    multimedia_->MidiStop();
    StopPlay();
    lives = 3;
    Label9->setCaption(QStringLiteral("3"));
    Label10->setCaption(QStringLiteral("レッツプレイ"));
    for (kit::ImageControl* target : targets) target->setTop(pace::homeTop);
    EnableCharacters(false);
    Image6->setPicture(Image8->picture());
    Image9->setPicture(Image10->picture());
    Label11->setVisible(false);
    moveStep = levelStep;
    score = 0;
    Label2->setCaption(QStringLiteral("0"));
    Label7->setCaption(QStringLiteral("1"));
}

void Form1::mnuExit_Click() {
    StopPlay();
    multimedia_->MidiClose();
    ended_ = true;
    hide();
    if (exiting_) return;
    exiting_ = true;
    // A save still under way belongs to a game that was finished: it may
    // end first, for as long as a save may wait for the lock.
    if (savesPending_ == 0) return EndAfterSaves();
    QTimer::singleShot(services_.rankLockWait, this, [this] { EndAfterSaves(); });
}
