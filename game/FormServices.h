#pragma once

#include <QString>
#include <chrono>
#include <functional>

#include "RankFile.h"

namespace mm {
class MultimediaService;
}

// What the main window needs from the world around it. The program hands in
// the real ones; tests hand in recorders that answer at once.
struct FormServices {
    // Plays music and effects.
    mm::MultimediaService* multimedia = nullptr;
    // The folder the data files lie in: the program's own, unless it was
    // built to find them elsewhere (DataFolder.h).
    QString programFolder;
    // The folder rank.dat is read from and saved to: the working directory.
    QString rankFolder;
    // A modal box with a single OK button and no icon; returns when closed.
    std::function<void(const QString& text, const QString& title)> messageBox;
    // Reports a file error to the player; the program ends after it.
    std::function<void(const QString& text)> fileError;
    // The system's standard beep.
    std::function<void()> beep;
    // Ends the program with the given exit status.
    std::function<void(int status)> endProgram;
    // How long a save at game over waits for another copy of the game that
    // is saving rank.dat before it goes ahead without waiting.
    std::chrono::milliseconds rankLockWait = rankfile::defaultLockWait;
};
