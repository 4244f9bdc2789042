#pragma once

#include <QString>

#include "RankRecord.h"

// rank.dat on disk: read once at start-up, saved at every game over.
namespace rankfile {

inline constexpr char fileName[] = "rank.dat";

struct ReadResult {
    bool ok = false;
    HighScore highScore;
    QString error;    // why reading failed, for the player
    QString warning;  // a readable file whose value could not be used
};

// Reads the best score from the file at path. A missing or unreadable file,
// or an empty one, is an error. A first item that is no number is read as
// nothing, with a warning: the game only ever saves numbers there, and a
// damaged file must not lock the player out.
ReadResult read(const QString& path);

struct SaveResult {
    bool ok = false;
    QString error;
};

// Replaces the file's content with the one line of value. The new content is
// written beside it and renamed over it, so a failure or a crash part-way
// leaves the old content intact. A file the user made read-only is left
// alone and reported as an error.
SaveResult save(const QString& path, const HighScore& value);

}  // namespace rankfile
