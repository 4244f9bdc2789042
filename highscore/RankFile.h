#pragma once

#include <QString>
#include <functional>

#include "RankRecord.h"

class QSaveFile;

// rank.dat on disk: read once at start-up, saved at every game over.
namespace rankfile {

inline constexpr char fileName[] = "rank.dat";

struct ReadResult {
    bool ok = false;
    HighScore highScore;
    QString error;  // why reading failed: the file's full path and the reason
};

// Reads the best score from the file at path. A missing or unreadable file,
// an empty one, or one whose first item is no decimal number in range is an
// error, and the file is left as it is: the game only ever saves numbers
// there, so anything else is damage the player should see, not a score of 0
// that the next game over would write over it.
ReadResult read(const QString& path);

struct SaveResult {
    bool ok = false;
    QString error;  // the file's full path and the reason
};

// Replaces the file's content with the one line of value. The new content is
// written beside it and renamed over it, so a failure or a crash part-way
// leaves the old content intact. A file the user made read-only is left
// alone and reported as an error.
SaveResult save(const QString& path, const HighScore& value);

// Test seam for failures a healthy disk never shows (a full disk, an I/O
// error part-way): when set, save() hands the new content to this function
// instead of writing it into the temporary file, and treats a result other
// than size as a failed write. An empty function restores the real write.
using SaveWriter = std::function<qint64(QSaveFile& file, const char* data, qint64 size)>;
void setSaveWriterForTesting(SaveWriter writer);

}  // namespace rankfile
