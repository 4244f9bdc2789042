// The life cycle of a game: Start, Reset, Exit, and the end of a game with
// its message box, best score and save.

#include <QFile>

#include "Form1.h"
#include "Multimedia32.h"
#include "NativePath.h"
#include "Pace.h"
#include "RankFile.h"


void Form1::mnustart_Click() {
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

    const rankfile::SaveResult saved = rankfile::save(rankPath(), highScore);
    if (!saved.ok) {
        // No fallback: the player is told, and the program ends. The old
        // content of rank.dat is still there.
        services_.fileError(saved.error);
        ended_ = true;
        services_.endProgram(1);
        return;
    }
    // Another copy of the game may have saved a better score meanwhile; the
    // file keeps it, and so does this game.
    if (saved.saved != highScore) {
        highScore = saved.saved;
        Label5->setCaption(QString::fromStdString(highScoreText(highScore)));
    }
    if (comparable(highScore) > 150) RevealUraMenu();
    mnuRst_Click();
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
    services_.endProgram(0);
}
