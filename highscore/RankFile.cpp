#include "RankFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

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
};

FileRead fail(const QString& path, const QString& what, bool missing = false) {
    return {{false, std::nullopt, describe(path, what)}, missing};
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
        case RankParse::Kind::noItem:
            return fail(path, QStringLiteral("the file is empty"));
        case RankParse::Kind::notANumber: {
            QString quoted = printable(QByteArray::fromStdString(parsed.firstItem), quoteLimit);
            if (parsed.firstItem.size() > longestItem && !quoted.endsWith(QStringLiteral("…")))
                quoted += QStringLiteral("…");
            return fail(path, QStringLiteral("\"%1\" is not a score (a whole number)").arg(quoted));
        }
        case RankParse::Kind::nothing:
        case RankParse::Kind::value:
            break;
    }
    return {{true, parsed.highScore, {}}, false};
}

// Writes straight to the temporary file's descriptor, past QSaveFile's
// buffer: when a full disk cuts a write short, Qt's flush tells only that
// fewer bytes went out, the system tells why. Empty on success.
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

// The file a save really replaces: QSaveFile follows symbolic links and
// renames over their target, so the lock and the leftovers are beside that.
QFileInfo savedFile(const QString& path) {
    QFileInfo file(path);
    for (int depth = 0; depth < 128 && file.isSymLink(); ++depth)
        file.setFile(file.symLinkTarget());
    return file;
}

// The temporary files of saves that were killed between writing and
// renaming: QSaveFile names them after the file plus a dot and six random
// letters, and they hold at most one saved line, cut short. A file of the
// user's that merely looks like one by name ("rank.dat.backup") but holds
// anything else is left alone. Only called under the lock, when no save of
// another copy is under way, so none of them is still being written.
bool isLeftover(const QDir& folder, const QString& name, const QString& prefix) {
    if (!name.startsWith(prefix) || name.size() != prefix.size() + 6) return false;
    const QStringView tail = QStringView(name).mid(prefix.size());
    if (!std::all_of(tail.begin(), tail.end(), [](QChar c) {
            return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                   (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
        }))
        return false;
    QFile file(folder.filePath(name));
    const qint64 longest = static_cast<qint64>(formatRankText(INT32_MIN).size());
    if (file.size() > longest || !file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.read(longest);
    return std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == '\r' || c == '\n';
    });
}

void removeLeftovers(const QFileInfo& file) {
    const QString prefix = file.fileName() + QLatin1Char('.');
    const QDir folder = file.absoluteDir();
    const QStringList names =
        folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
    for (const QString& name : names)
        if (isLeftover(folder, name, prefix)) QFile::remove(folder.filePath(name));
}

}  // namespace

ReadResult read(const QString& path) { return readFile(path).result; }

SaveResult save(const QString& path, const HighScore& value) {
    const QFileInfo info(path);
    // Checked by hand: renaming over a read-only file would succeed, and
    // permission checks stop neither that nor the superuser.
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && !(info.permissions() & anyWrite))
        return {false, describe(path, QStringLiteral("the file is read-only")), {}};
    const QFileInfo folder(info.absolutePath());
    if (folder.exists() && !(folder.permissions() & anyWrite))
        return {false, describe(path, QStringLiteral("its folder is read-only")), {}};

    const QFileInfo target = savedFile(path);
    SaveLock lock;
    const QString locked = lock.acquire(target.absoluteFilePath() + QStringLiteral(".lock"));
    if (!locked.isEmpty()) return {false, describe(path, locked), {}};

    // Another copy of the game may have saved since this one read the file.
    HighScore best = value;
    const FileRead onDisk = readFile(path);
    if (!onDisk.result.ok && !onDisk.missing) return {false, onDisk.result.error, {}};
    if (onDisk.result.ok && comparable(onDisk.result.highScore) > comparable(value))
        best = onDisk.result.highScore;

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return {false, describe(path, file.errorString()), {}};
    const std::string text = formatRankText(best);
    const auto size = static_cast<qint64>(text.size());
    QString why;
    if (saveWriter()) {
        // QSaveFile::commit() does not notice when its buffered bytes fail
        // to reach the file (QTBUG-75077), so they are pushed out here.
        if (saveWriter()(file, text.data(), size) != size || !file.flush())
            why = file.error() != QFileDevice::NoError
                      ? file.errorString()
                      : QStringLiteral("the new content could not be written whole");
    } else {
        why = writeWhole(file.handle(), text);
    }
    if (!why.isEmpty()) {
        // The reason is taken before cancelling, which would put its own.
        file.cancelWriting();
        return {false, describe(path, why), {}};
    }
    if (!file.commit()) return {false, describe(path, file.errorString()), {}};
    removeLeftovers(target);
    return {true, {}, best};
}

void setSaveWriterForTesting(SaveWriter writer) { saveWriter() = std::move(writer); }

}  // namespace rankfile
