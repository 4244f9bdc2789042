// Start-up: the window's load handler leaves the game idle, with the best
// score on display and the data files' paths known.

#include <QDir>

#include "DataFiles.h"
#include "Form1.h"
#include "RankFile.h"

namespace {

// Joins a folder and a file name with exactly one separator between them,
// also when the folder is a root that already ends with one.
QString beside(const QString& folder, const char* fileName) {
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path + QString::fromLatin1(fileName);
}

}  // namespace

QString Form1::rankPath() const { return beside(services_.rankFolder, rankfile::fileName); }

bool Form1::Form_Load() {
    // Nothing can be cut until a game starts.
    enableCharacters(false);

    // The special mode is offered only to a good player.
    mnuUra->setVisible(false);
    mnuBlank2->setVisible(false);
    mnuRet->setVisible(false);

    // The best score, from the working directory.
    const rankfile::ReadResult rank = rankfile::read(rankPath());
    if (!rank.ok) {
        services_.fileError(rank.error);
        return false;
    }
    // The best score on display, the lives, the level Normal, no points.
    game.load(rank.highScore);

    // There is no help text.
    mnuHelp->setEnabled(false);

    // The game timers are switched on in the window's description; stop
    // them before their first tick.
    switchGameTimers(false);

    // The data files lie beside the program, or where it was built to
    // find them.
    bgmPath = beside(services_.programFolder, data_files::tune);
    bgm2Path = beside(services_.programFolder, data_files::specialTune);
    cutSoundPath = beside(services_.programFolder, data_files::cut);
    deflectSoundPath = beside(services_.programFolder, data_files::deflect);

    // A best score read from the file may open the special mode at once.
    if (game.unlocksSpecialMode()) RevealUraMenu();
    return true;
}

void Form1::RevealUraMenu() {
    mnuUra->setVisible(true);
    mnuBlank2->setVisible(true);
    mnuRet->setVisible(true);
}

void Form1::enableCharacters(bool on) {
    for (kit::ImageControl* image : cuttables) image->setEnabled(on);
}

void Form1::switchGameTimers(bool on) {
    Timer1->setEnabled(on);
    Timer2->setEnabled(on);
    Timer3->setEnabled(on);
}
