#pragma once

#include <QString>
#include <chrono>
#include <functional>

namespace rankfile {

// An exclusive advisory lock (flock) on a companion file, held by copies of
// the game while they save. The lock file is made once and stays: removing
// it after a save would let a copy that opened it just before lock a file no
// longer in the folder while a third copy locks a new one, and a regular file
// of that name that the player made is theirs to keep. Its content is never
// read or written. A holder that dies loses the lock with its process.
class SaveLock {
public:
    SaveLock() = default;
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    // The moment a wait has to end by, asked again while it waits: the
    // program may begin to end meanwhile. Empty: no such moment.
    using EndBy = std::function<std::chrono::steady_clock::time_point()>;

    // Waits up to wait (and until endBy at the latest) for the lock on the
    // file at lockPath, creating it if there is none. Empty on success, else
    // why the lock could not be had. Anything at that name but a regular
    // file (a symbolic link, a folder, a FIFO, a device) is never opened.
    QString acquire(const QString& lockPath, std::chrono::milliseconds wait,
                    const EndBy& endBy = {});

    // True when the lock keeps every other copy's save out: it was had, on a
    // file system that knows locks.
    bool exclusive() const { return exclusive_; }

private:
    int fd_ = -1;
    bool exclusive_ = false;
};

}  // namespace rankfile
