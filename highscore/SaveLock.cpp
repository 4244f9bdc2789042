#include "SaveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <thread>

#include "RankRecord.h"

namespace rankfile {

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

SaveLock::~SaveLock() {
    if (fd_ < 0) return;
    ::unlink(path_.constData());
    ::close(fd_);
}

QString SaveLock::acquire(const QString& lockPath, int timeoutMs) {
    const QByteArray native = QFile::encodeName(lockPath);
    // The name goes into an error message; the link a save follows may have
    // given it characters that act on a terminal.
    const QString name = QString::fromStdString(
        printableText(QFile::encodeName(QFileInfo(lockPath).fileName()).toStdString()));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int fd =
            ::open(native.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0) {
            const int error = errno;
            return QStringLiteral("cannot create the lock file %1: %2")
                .arg(name, qt_error_string(error));
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return QStringLiteral("the lock file %1 is not a regular file").arg(name);
        }
        int locked = ::flock(fd, LOCK_EX | LOCK_NB);
        const int error = locked == 0 ? 0 : errno;
        // A file system without locks (some network shares) still gets the
        // re-read before the write; only a save at the very same moment
        // could be missed there.
        if (error == ENOLCK || error == EOPNOTSUPP || error == EINVAL) locked = 0;
        if (locked == 0) {
            struct stat named {};
            if (::stat(native.constData(), &named) == 0 && sameFile(named, opened)) {
                path_ = native;
                fd_ = fd;
                return {};
            }
            ::close(fd);  // the holder before us removed it; lock the new one
            continue;
        }
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR)
            return QStringLiteral("cannot lock %1: %2").arg(name, qt_error_string(error));
        if (std::chrono::steady_clock::now() >= deadline)
            return QStringLiteral("another copy of the game has held %1 for %2 s")
                .arg(name)
                .arg(timeoutMs / 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace rankfile
