#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

#include "RankRecord.h"

class QFile;

// rank.dat on disk: read once at start-up, saved at every game over.
namespace rankfile {

inline constexpr char fileName[] = "rank.dat";

struct ReadResult {
    bool ok = false;
    HighScore highScore;
    QString error;  // why reading failed: the file's full path and the reason
};

// Reads the best score from the file at path. A missing or unreadable file,
// anything but a regular file (after following symbolic links), an empty
// one, or one whose first item is no decimal number in range is an error, and
// the file is left as it is: the game only ever saves numbers there, so
// anything else is damage the player should see, not a score of 0 that the
// next game over would write over it. The file is read as far as its first
// item goes, whatever its size; a FIFO or a device is never opened for
// reading, so it cannot hold up the game.
ReadResult read(const QString& path);

struct SaveResult {
    bool ok = false;
    QString error;    // the file's full path and the reason
    HighScore saved;  // what the file holds now, when ok
    // What the save did that the player should hear of, one line each: a
    // damaged file replaced, the lock gone without.
    QStringList notes;
};

// How long a save waits for another copy of the game to finish its own.
inline constexpr std::chrono::milliseconds defaultLockWait{10000};

// Replaces the file's content with the one line of the better of value and
// what the file holds by then: another copy of the game may have saved a
// higher score since this one started, and it is kept. A file that holds no
// score (empty, text, junk) is damage, and the game's score replaces it. The
// save holds a lock on a companion file (the name plus ".lock", beside the
// file) from the re-read to the rename, so two copies saving at once cannot
// both miss each other's score; when the lock is still held after lockWait
// (less a random twentieth of it, so that copies waiting together do not
// give up together) or at endBy, when the program is ending, or the lock
// file cannot be used, the save goes ahead without it rather than lose the
// score. Lock or no lock, a higher score is never left replaced by a lower
// one: the new file is swapped with the old in one step, and a save that
// finds it put aside a higher score than its own writes that one again (on
// a file system that cannot swap, it reads the file back and writes its own
// again when a lower one has replaced it). The new
// content is written into a temporary file beside the file, under a name no
// player would give a file (tempPrefix), flushed to the disk and put in place of
// it, so a failure or a crash part-way leaves the old content intact; such
// leftovers of crashed saves, and only they, are removed by the next save that
// holds the lock. A file the user made read-only, one that can no longer be
// read, and anything but a regular file are left alone and reported as an
// error.
//
// A file that is a symbolic link is followed only to a regular file that
// holds, as a whole, what a save writes: one score (or a blank) and its line
// end, nothing else, a few bytes (a player who keeps the file elsewhere); the
// lock stays beside the link. A link to anything else (someone's notes, even
// when they begin with a blank line or a number, a table of numbers, an
// empty file, a folder, nothing) is not the game's to write: the link and
// what it leads to stay as they are, the score goes into the file of the
// link's name plus keptSuffix beside it, under the same rules (read-only, it
// is refused as rank.dat is), and a note says so.
SaveResult save(const QString& path, const HighScore& value,
                std::chrono::milliseconds lockWait = defaultLockWait,
                const std::function<std::chrono::steady_clock::time_point()>& endBy = {});

// Where the score goes when the file is a link that is not followed.
inline constexpr char keptSuffix[] = ".kept";

// The start of the names of the temporary files a save writes: this, the
// saved file's name, a dot and six random letters or digits.
inline constexpr char tempPrefix[] = ".zanrai-saving-";

// Test seam for failures a healthy disk never shows (a full disk, an I/O
// error part-way): when set, save() hands the new content to this function
// instead of writing it into the temporary file, and treats a result other
// than size, or a file it closed, as a failed write. An empty function
// restores the real write.
using SaveWriter = std::function<qint64(QFile& file, const char* data, qint64 size)>;
void setSaveWriterForTesting(SaveWriter writer);

}  // namespace rankfile
