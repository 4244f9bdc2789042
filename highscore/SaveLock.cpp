#include "SaveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <thread>

#include "RankRecord.h"

namespace rankfile {

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opened without following a link and without waiting on a FIFO; a lock
// file the player made read-only can still be locked through a reading
// descriptor.
int openLockFile(const QByteArray& native) {
    constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | flags, 0644);
    if (fd >= 0 || errno != EACCES) return fd;
    return ::open(native.constData(), O_RDONLY | flags);
}

}  // namespace

SaveLock::~SaveLock() {
    if (fd_ >= 0) ::close(fd_);
}

QString SaveLock::acquire(const QString& lockPath, std::chrono::milliseconds wait,
                          const EndBy& endBy) {
    const QByteArray native = QFile::encodeName(lockPath);
    // The name goes into a message; the link a save follows may have given
    // it characters that act on a terminal.
    const QString name = QString::fromStdString(
        printableText(QFile::encodeName(QFileInfo(lockPath).fileName()).toStdString()));
    // Copies that began to wait together give up at different moments, so
    // that they do not go ahead without the lock at the same one.
    const auto start = std::chrono::steady_clock::now();
    const auto spread = std::chrono::milliseconds(
        QRandomGenerator::global()->bounded(static_cast<int>(wait.count() / 20) + 1));
    const auto end = start + wait - spread;
    QString notRegular = QStringLiteral("the lock file %1 is not a regular file").arg(name);
    for (;;) {
        // Looked at first: opening a device can act on it.
        struct stat named {};
        if (::lstat(native.constData(), &named) == 0 && !S_ISREG(named.st_mode)) return notRegular;
        const int fd = openLockFile(native);
        if (fd < 0) {
            const int error = errno;
            return QStringLiteral("cannot open the lock file %1: %2")
                .arg(name, qt_error_string(error));
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return notRegular;
        }
        const int locked = ::flock(fd, LOCK_EX | LOCK_NB);
        const int error = locked == 0 ? 0 : errno;
        // A file system without locks (some network shares) still gets the
        // re-read before the write; only a save at the very same moment
        // could be missed there.
        const bool noLocks = error == ENOLCK || error == EOPNOTSUPP || error == EINVAL;
        if (locked == 0 || noLocks) {
            // Someone put another file in its place meanwhile: the lock must
            // be on the file that the other copies open now.
            if (::stat(native.constData(), &named) == 0 && sameFile(named, opened)) {
                fd_ = fd;
                exclusive_ = locked == 0;
                return {};
            }
            ::close(fd);
            continue;
        }
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR)
            return QStringLiteral("cannot lock %1: %2").arg(name, qt_error_string(error));
        const auto now = std::chrono::steady_clock::now();
        if (now >= end || (endBy && now >= endBy())) {
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
            return QStringLiteral("another copy of the game has held %1 for %2 s")
                .arg(name, QString::number(static_cast<double>(waited.count()) / 1000.0, 'g', 2));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace rankfile
