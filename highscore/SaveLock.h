#pragma once

#include <QByteArray>
#include <QString>

namespace rankfile {

// An exclusive advisory lock (flock) on a companion file, held by copies of
// the game while they save. The lock file exists only while someone holds
// it: the holder removes it before letting go, and a copy that got the lock
// on a file that was removed meanwhile tries again on the new one, so the
// removal cannot let two holders in. A holder that dies loses the lock with
// its process; its leftover file is taken over by the next save.
class SaveLock {
public:
    SaveLock() = default;
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    // Waits up to timeoutMs for the lock on the file at lockPath, creating
    // it. Empty on success, else why the lock could not be had.
    QString acquire(const QString& lockPath, int timeoutMs = 10000);

private:
    QByteArray path_;
    int fd_ = -1;
};

}  // namespace rankfile
