#include "RankFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace rankfile {

namespace {

// Larger files are not read whole: the best score is in the first item.
constexpr qint64 readLimit = 4096;

QString describe(const QString& path, const QString& what) {
    return QStringLiteral("%1: %2").arg(QFileInfo(path).absoluteFilePath(), what);
}

SaveWriter& saveWriter() {
    static SaveWriter writer;
    return writer;
}

}  // namespace

ReadResult read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, std::nullopt, describe(path, file.errorString())};
    const QByteArray bytes = file.read(readLimit);
    if (file.error() != QFileDevice::NoError)
        return {false, std::nullopt, describe(path, file.errorString())};

    const RankParse parsed = parseRankText(std::string_view(bytes.constData(), bytes.size()));
    switch (parsed.kind) {
        case RankParse::Kind::noItem:
            return {false, std::nullopt, describe(path, QStringLiteral("the file is empty"))};
        case RankParse::Kind::notANumber:
            return {false, std::nullopt,
                    describe(path, QStringLiteral("\"%1\" is not a score (a whole number)")
                                       .arg(QString::fromUtf8(parsed.firstItem)))};
        case RankParse::Kind::nothing:
        case RankParse::Kind::value:
            break;
    }
    return {true, parsed.highScore, {}};
}

SaveResult save(const QString& path, const HighScore& value) {
    const QFileInfo info(path);
    // Checked by hand: renaming over a read-only file would succeed, and
    // permission checks stop neither that nor the superuser.
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && !(info.permissions() & anyWrite))
        return {false, describe(path, QStringLiteral("the file is read-only"))};
    const QFileInfo folder(info.absolutePath());
    if (folder.exists() && !(folder.permissions() & anyWrite))
        return {false, describe(path, QStringLiteral("its folder is read-only"))};

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return {false, describe(path, file.errorString())};
    const std::string text = formatRankText(value);
    const auto size = static_cast<qint64>(text.size());
    const qint64 written =
        saveWriter() ? saveWriter()(file, text.data(), size) : file.write(text.data(), size);
    // QSaveFile::commit() does not notice when its buffered bytes fail to
    // reach the file (QTBUG-75077): on a full disk it would rename an empty
    // or cut-short file over the old one. They are pushed out and checked here.
    if (written != size || !file.flush()) {
        file.cancelWriting();
        return {false, describe(path, file.errorString())};
    }
    if (!file.commit()) return {false, describe(path, file.errorString())};
    return {true, {}};
}

void setSaveWriterForTesting(SaveWriter writer) { saveWriter() = std::move(writer); }

}  // namespace rankfile
