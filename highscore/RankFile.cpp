#include "RankFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "SaveLock.h"

namespace rankfile {

namespace {

// Content quoted in an error shows at most this many characters.
constexpr std::size_t quoteLimit = 40;

QString printable(const QByteArray& bytes, std::size_t maxChars = 0) {
    return QString::fromStdString(
        printableText(std::string_view(bytes.constData(), bytes.size()), maxChars));
}

// One line: the full path, with anything in it that would act on a terminal
// escaped, and the reason.
QString describe(const QString& path, const QString& what) {
    return QStringLiteral("%1: %2").arg(
        printable(QFile::encodeName(QFileInfo(path).absoluteFilePath())), what);
}

QString systemError(int error) { return qt_error_string(error); }

SaveWriter& saveWriter() {
    static SaveWriter writer;
    return writer;
}

struct FileRead {
    ReadResult result;
    bool missing = false;  // there is no file by that name at all
    bool damaged = false;  // a regular file, read whole, that holds no score
};

FileRead fail(const QString& path, const QString& what, bool missing = false) {
    return {{false, std::nullopt, describe(path, what)}, missing};
}

FileRead damage(const QString& path, const QString& what) {
    FileRead read = fail(path, what);
    read.damaged = true;
    return read;
}

FileRead readFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    // Looked at before opening: opening a FIFO waits for a writer, and
    // opening a device can act on it.
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        const int error = errno;
        return fail(path, systemError(error), error == ENOENT);
    }
    if (!S_ISREG(info.st_mode)) return fail(path, QStringLiteral("not a regular file"));
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return fail(path, systemError(error), error == ENOENT);
    }
    // The name may have been given to something else since it was looked at.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(path, QStringLiteral("not a regular file"));
    }

    RankScanner scanner;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return fail(path, systemError(error));
        }
        if (got == 0 || !scanner.feed(std::string_view(buffer, static_cast<std::size_t>(got))))
            break;
    }
    ::close(fd);

    const RankParse parsed = scanner.finish();
    switch (parsed.kind) {
        case RankParse::Kind::noItem: return damage(path, QStringLiteral("the file is empty"));
        case RankParse::Kind::notANumber: {
            QString quoted = printable(QByteArray::fromStdString(parsed.firstItem), quoteLimit);
            if (parsed.firstItem.size() > longestItem && !quoted.endsWith(QStringLiteral("…")))
                quoted += QStringLiteral("…");
            return damage(path,
                          QStringLiteral("\"%1\" is not a score (a whole number)").arg(quoted));
        }
        case RankParse::Kind::nothing:
        case RankParse::Kind::value: break;
    }
    return {{true, parsed.highScore, {}}, false};
}

// Writes to the descriptor itself, unbuffered: when a full disk cuts a write
// short, the system tells why. Empty on success.
QString writeWhole(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return systemError(errno);
        if (written == 0) return QStringLiteral("the new content could not be written whole");
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// The same through the test seam, which writes with a QFile on the descriptor.
QString writeThroughSeam(int fd, std::string_view text) {
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return file.errorString();
    const auto size = static_cast<qint64>(text.size());
    if (saveWriter()(file, text.data(), size) == size && file.isOpen() && file.flush()) return {};
    return file.error() != QFileDevice::NoError
               ? file.errorString()
               : QStringLiteral("the new content could not be written whole");
}

// The file a save replaces and what it holds now.
struct SaveTarget {
    QFileInfo file;
    FileRead onDisk;
    bool followed = false;  // file is what a link named like the saved file leads to
    QString refusedLink;    // the saved file is a link to this, left alone
};

// The file itself; or, for a link, the regular file holding a score it
// leads to, else the kept file beside the link. Asked under the lock.
SaveTarget saveTarget(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat named {};
    if (::lstat(native.constData(), &named) != 0 || !S_ISLNK(named.st_mode))
        return {QFileInfo(path), readFile(path), false, {}};
    const QFileInfo link(path);
    QString target = link.symLinkTarget();
    if (char* resolved = ::realpath(native.constData(), nullptr)) {
        target = QFile::decodeName(resolved);
        std::free(resolved);
        FileRead read = readFile(target);
        if (read.result.ok) return {QFileInfo(target), std::move(read), true, {}};
    }
    const QFileInfo kept(link.absoluteDir().filePath(link.fileName() + QLatin1String(keptSuffix)));
    return {kept, readFile(kept.absoluteFilePath()), false, target};
}

QString tempStart(const QFileInfo& target) {
    return QLatin1String(tempPrefix) + target.fileName() + QLatin1Char('.');
}

// Writes text into a new file beside target, flushes it to the disk and
// renames it over target. Empty on success, else the first cause.
QString replaceFile(const QFileInfo& target, std::string_view text) {
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        QString name = tempStart(target);
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
        tempName = QFile::encodeName(target.absoluteDir().filePath(name));
        // 0666 less the umask for a new rank.dat, as any program's file.
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
        if (fd < 0 && errno != EEXIST) return systemError(errno);
    }
    if (fd < 0) return QStringLiteral("no free name for the new content beside the file");
    // The file keeps the permissions the player gave it.
    struct stat old {};
    if (::stat(finalName.constData(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    QString why = saveWriter() ? writeThroughSeam(fd, text) : writeWhole(fd, text);
    if (why.isEmpty() && ::fsync(fd) != 0) why = systemError(errno);
    if (::close(fd) != 0 && why.isEmpty()) why = systemError(errno);
    if (why.isEmpty() && ::rename(tempName.constData(), finalName.constData()) != 0)
        why = systemError(errno);
    if (!why.isEmpty()) {
        ::unlink(tempName.constData());
        return why;
    }
    // The rename itself reaches the disk with the folder's entry.
    const int folder = ::open(QFile::encodeName(target.absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

// The temporary files of saves that were killed between writing and
// renaming. Called only under the lock, when no save of another copy is
// under way, so none of them is still being written.
void removeLeftovers(const QFileInfo& target) {
    const QString start = tempStart(target);
    const QDir folder = target.absoluteDir();
    const QStringList names = folder.entryList(
        {start + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
    for (const QString& name : names)
        if (name.size() == start.size() + 6) QFile::remove(folder.filePath(name));
}

constexpr QFileDevice::Permissions anyWrite =
    QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

bool isReadOnly(const QFileInfo& file) { return file.exists() && !(file.permissions() & anyWrite); }

QString shown(const HighScore& value) {
    return value ? QString::number(*value) : QStringLiteral("a blank line");
}

}  // namespace

ReadResult read(const QString& path) { return readFile(path).result; }

SaveResult save(const QString& path, const HighScore& value, std::chrono::milliseconds lockWait,
                const std::function<std::chrono::steady_clock::time_point()>& endBy) {
    const QFileInfo info(path);
    // Checked by hand: renaming over a read-only file would succeed, and
    // permission checks stop neither that nor the superuser. A link is
    // looked at once it is known whether it is followed.
    if (!info.isSymLink() && isReadOnly(info))
        return {false, describe(path, QStringLiteral("the file is read-only")), {}, {}};
    const QFileInfo folder(info.absolutePath());
    if (folder.exists() && !(folder.permissions() & anyWrite))
        return {false, describe(path, QStringLiteral("its folder is read-only")), {}, {}};

    SaveResult result;
    // Beside the name the game saves to, in its own folder, also when that
    // is a link: nothing is made beside a link's target but the new content.
    SaveLock lock;
    const QString locked =
        lock.acquire(info.absoluteFilePath() + QStringLiteral(".lock"), lockWait, endBy);
    if (!locked.isEmpty())
        result.notes << describe(path, locked + QStringLiteral("; saved without the lock"));

    // Another copy of the game may have saved since this one read the file.
    const SaveTarget target = saveTarget(path);
    const FileRead& onDisk = target.onDisk;
    if (target.followed && isReadOnly(target.file))
        return {false, describe(path, QStringLiteral("the file is read-only")), {}, {}};
    if (!onDisk.result.ok && !onDisk.missing && !onDisk.damaged) {
        result.error = onDisk.result.error;
        return result;
    }
    HighScore best = value;
    if (onDisk.result.ok && comparable(onDisk.result.highScore) > comparable(value))
        best = onDisk.result.highScore;

    const QString why = replaceFile(target.file, formatRankText(best));
    if (!why.isEmpty()) {
        result.error = describe(target.file.absoluteFilePath(), why);
        return result;
    }
    if (!target.refusedLink.isEmpty())
        result.notes << describe(
            path, QStringLiteral("a link to %1, which holds no score, is left "
                                 "as it is; %2 is kept in %3")
                      .arg(printable(QFile::encodeName(target.refusedLink)), shown(best),
                           printable(QFile::encodeName(target.file.fileName()))));
    else if (onDisk.damaged)
        result.notes
            << QStringLiteral("%1; replaced with %2").arg(onDisk.result.error, shown(best));
    // Only in the game's own folder: the lock keeps out the copies playing
    // there, not those that save through another link to the same file.
    if (lock.exclusive() && !target.followed) removeLeftovers(target.file);
    result.ok = true;
    result.saved = best;
    return result;
}

void setSaveWriterForTesting(SaveWriter writer) { saveWriter() = std::move(writer); }

}  // namespace rankfile
