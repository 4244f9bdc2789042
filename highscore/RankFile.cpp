#include "RankFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// A file the game could have written, as a whole: one score (or none) and its
// line end, nothing else. Only such a file behind a link is the game's to
// replace; a file whose first line merely reads as a score (a blank line or a
// number that starts someone's notes, a table of numbers) is not.
constexpr std::size_t longestScoreFile = 64;

bool holdsOnlyAScore(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    char bytes[longestScoreFile + 1];
    ssize_t got = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size <= static_cast<off_t>(longestScoreFile)) {
        do got = ::read(fd, bytes, sizeof bytes);
        while (got < 0 && errno == EINTR);
    }
    ::close(fd);
    if (got < 0 || static_cast<std::size_t>(got) > longestScoreFile) return false;
    std::string_view text(bytes, static_cast<std::size_t>(got));
    if (text.ends_with('\n')) text.remove_suffix(text.ends_with("\r\n") ? 2 : 1);
    if (text.find_first_of(",\r\n") != std::string_view::npos) return false;
    if (text.empty()) return got > 0;  // the line end alone: no score
    const RankParse parsed = parseRankText(text);
    return parsed.kind == RankParse::Kind::value || parsed.kind == RankParse::Kind::nothing;
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

// The file itself; or, for a link, the regular file it leads to when that
// holds nothing but a score, else the kept file beside the link. Asked under
// the lock.
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
        if (read.result.ok && holdsOnlyAScore(target))
            return {QFileInfo(target), std::move(read), true, {}};
    }
    const QFileInfo kept(link.absoluteDir().filePath(link.fileName() + QLatin1String(keptSuffix)));
    return {kept, readFile(kept.absoluteFilePath()), false, target};
}

QString tempStart(const QFileInfo& target) {
    return QLatin1String(tempPrefix) + target.fileName() + QLatin1Char('.');
}

// What a replacement put aside: the content it took the place of, when the
// file system could swap the two files in one step.
struct Replaced {
    bool swapped = false;
    FileRead before;
};

// Puts the new file in place of the old one in one step. Swapped rather than
// renamed over, the old content stays in hand under the temporary name: a
// copy of the game that saved meanwhile without the lock cannot have its
// score replaced unseen. 0 on success, else the error number; ENOENT when
// the new file is gone.
int putInPlace(const QByteArray& tempName, const QByteArray& finalName, Replaced& replaced) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::renameat2(AT_FDCWD, tempName.constData(), AT_FDCWD, finalName.constData(),
                        RENAME_EXCHANGE) == 0) {
            replaced.swapped = true;
            replaced.before = readFile(QFile::decodeName(tempName));
            ::unlink(tempName.constData());
            return 0;
        }
        if (errno == EINVAL || errno == ENOSYS) break;  // a file system that cannot swap
        if (errno != ENOENT) return errno;
        // No file yet: made, unless another copy made one meanwhile.
        if (::renameat2(AT_FDCWD, tempName.constData(), AT_FDCWD, finalName.constData(),
                        RENAME_NOREPLACE) == 0)
            return 0;
        if (errno == EINVAL || errno == ENOSYS) break;
        if (errno != EEXIST) return errno;
    }
    return ::rename(tempName.constData(), finalName.constData()) == 0 ? 0 : errno;
}

// Writes text into a new file beside target, flushes it to the disk and puts
// it in target's place; gone when the new file vanished before that.
QString writeAndPutInPlace(const QFileInfo& target, std::string_view text, Replaced& replaced,
                           bool& gone) {
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
    if (why.isEmpty()) {
        const int error = putInPlace(tempName, finalName, replaced);
        gone = error == ENOENT;
        if (error != 0) why = systemError(error);
    }
    if (!why.isEmpty()) {
        ::unlink(tempName.constData());
        return why;
    }
    // The new entry reaches the disk with the folder's.
    const int folder = ::open(QFile::encodeName(target.absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

// Writes text into a new file beside target, flushes it to the disk and puts
// it in target's place. Empty on success, else the first cause. A save that
// holds the lock clears what looks like a killed save's leftover, also the
// new file of a copy that went ahead without the lock: that copy writes it
// again.
QString replaceFile(const QFileInfo& target, std::string_view text, Replaced& replaced) {
    QString why;
    for (int attempt = 0; attempt < 3; ++attempt) {
        bool gone = false;
        why = writeAndPutInPlace(target, text, replaced, gone);
        if (!gone) break;
    }
    return why;
}

// The temporary files of saves that were killed between writing and
// renaming. Called only under the lock, when no save of another copy that
// holds it is under way; one that went ahead without the lock writes its
// file again if it is taken (replaceFile).
//
// The folder is listed and the names compared by hand: Qt's name filters
// match through a regular expression whose first use on a thread waits for
// the dynamic loader, which a sound back end stuck while loading holds.
void removeLeftovers(const QFileInfo& target) {
    const QByteArray start = QFile::encodeName(tempStart(target));
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    DIR* listing = ::opendir(folder.constData());
    if (listing == nullptr) return;
    const int folderFd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        if (name.size() != static_cast<std::size_t>(start.size()) + 6 ||
            !name.starts_with(std::string_view(start.constData(), start.size())))
            continue;
        struct stat info {};
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode))
            ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(listing);
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
    // The kept file and a link's file are the player's as much as rank.dat.
    if (target.file.absoluteFilePath() != info.absoluteFilePath() && isReadOnly(target.file))
        return {false,
                describe(target.file.absoluteFilePath(), QStringLiteral("the file is read-only")),
                {},
                {}};
    if (!onDisk.result.ok && !onDisk.missing && !onDisk.damaged) {
        result.error = onDisk.result.error;
        return result;
    }
    HighScore best = value;
    if (onDisk.result.ok && comparable(onDisk.result.highScore) > comparable(value))
        best = onDisk.result.highScore;

    // A copy that went ahead without the lock (or one that holds it, while
    // this one goes without) may put its file in place between this one's
    // re-read and its own: a higher score it replaced, or a lower one that
    // replaced this one's, is written again. Each round needs another save
    // crossing this one; a few are plenty.
    constexpr int rewrites = 4;
    for (int round = 0;; ++round) {
        Replaced replaced;
        const QString why = replaceFile(target.file, formatRankText(best), replaced);
        if (!why.isEmpty()) {
            result.error = describe(target.file.absoluteFilePath(), why);
            return result;
        }
        bool again = false;
        if (replaced.swapped) {
            const ReadResult& before = replaced.before.result;
            again = before.ok && comparable(before.highScore) > comparable(best);
            if (again) best = before.highScore;
        } else {
            const ReadResult now = readFile(target.file.absoluteFilePath()).result;
            again = now.ok && comparable(now.highScore) < comparable(best);
        }
        if (!again || round == rewrites) break;
    }
    if (!target.refusedLink.isEmpty())
        result.notes << describe(
            path, QStringLiteral("a link to %1, not to a file of one score alone, "
                                 "is left as it is; %2 is kept in %3")
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
