#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "RankFile.h"

namespace {

struct RankFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("rank.dat"));

    void write(const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray content() {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

TEST_F(RankFileTest, AMissingOrEmptyFileIsAnError) {
    EXPECT_FALSE(rankfile::read(path).ok);
    EXPECT_FALSE(rankfile::read(path).error.isEmpty());
    EXPECT_FALSE(QFile::exists(path)) << "reading must not create the file";

    write("");
    EXPECT_FALSE(rankfile::read(path).ok);
}

TEST_F(RankFileTest, ReadsTheBestScoreOrNothing) {
    write("230,5\r\nmore\r\n");
    const rankfile::ReadResult rank = rankfile::read(path);
    ASSERT_TRUE(rank.ok);
    EXPECT_EQ(rank.highScore, 230);

    write("\r\n");
    EXPECT_TRUE(rankfile::read(path).ok);
    EXPECT_EQ(rankfile::read(path).highScore, std::nullopt);
}

TEST_F(RankFileTest, TextThatIsNoNumberIsAnErrorQuotingItAndTheFileIsKept) {
    write("garbage\r\n");
    const rankfile::ReadResult rank = rankfile::read(path);
    EXPECT_FALSE(rank.ok);
    EXPECT_TRUE(rank.error.contains(QStringLiteral("\"garbage\""))) << rank.error.toStdString();
    EXPECT_EQ(content(), QByteArray("garbage\r\n"));
}

TEST_F(RankFileTest, ErrorsNameTheFullPathAndTheReason) {
    const rankfile::ReadResult missing = rankfile::read(path);
    EXPECT_TRUE(missing.error.startsWith(QFileInfo(path).absoluteFilePath() + QStringLiteral(": ")))
        << missing.error.toStdString();
    EXPECT_GT(missing.error.size(), path.size() + 2) << "a reason follows the path";
}

TEST_F(RankFileTest, SaveReplacesTheWholeFile) {
    // A lock file the player made is theirs: used, never changed.
    QFile own(path + QStringLiteral(".lock"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly) && own.write("mine") == 4 && own.flush());
    write("130,5\r\n99\r\n");
    ASSERT_TRUE(rankfile::save(path, 151).ok);
    EXPECT_EQ(content(), QByteArray("151\r\n"));
    write("\r\n230\r\n");
    ASSERT_TRUE(rankfile::save(path, std::nullopt).ok);
    EXPECT_EQ(content(), QByteArray("\r\n"));
    // Nothing is left beside it but the lock file, kept for the next save.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("rank.dat"), QStringLiteral("rank.dat.lock")}));
    EXPECT_EQ(own.size(), 4);
}

TEST_F(RankFileTest, SaveKeepsTheBetterOfTheFileAndTheGame) {
    // Another copy saved 58 after this one read 10.
    write("58\r\n");
    const rankfile::SaveResult saved = rankfile::save(path, 10);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.saved, 58);
    EXPECT_EQ(content(), QByteArray("58\r\n"));
    EXPECT_EQ(rankfile::save(path, 59).saved, 59);
    EXPECT_EQ(content(), QByteArray("59\r\n"));
}

TEST_F(RankFileTest, SaveCreatesAMissingFile) {
    ASSERT_TRUE(rankfile::save(path, 0).ok);
    EXPECT_EQ(content(), QByteArray("0\r\n"));
}

// The same for rank.dat and for the file kept beside a link not followed.
TEST_F(RankFileTest, AReadOnlyFileIsReportedAndKept) {
    for (const QString& kept : {QString(), path + QLatin1String(rankfile::keptSuffix)}) {
        ASSERT_TRUE(kept.isEmpty() || (QFile::remove(path) && QFile::link(kept + "~", path)));
        QFile file(kept.isEmpty() ? path : kept);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("100\r\n") == 5);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadUser);
        const rankfile::SaveResult saved = rankfile::save(path, 200);
        EXPECT_TRUE(saved.error.endsWith(QStringLiteral("read-only"))) << saved.error.toStdString();
        file.close();
        EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == "100\r\n");
    }
}

TEST_F(RankFileTest, AReadOnlyFolderIsReportedAndTheFileKept) {
    write("100\r\n");
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadUser | QFileDevice::ExeUser;
    QFile::setPermissions(dir.path(), readable);
    const rankfile::SaveResult saved = rankfile::save(path, 200);
    QFile::setPermissions(dir.path(), readable | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.error.contains(QStringLiteral("read-only")));
    EXPECT_EQ(content(), QByteArray("100\r\n"));
}

TEST_F(RankFileTest, AFolderThatCannotBeWrittenIsReported) {
    const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/rank.dat"));
    const rankfile::SaveResult saved = rankfile::save(missingFolder, 5);
    EXPECT_FALSE(saved.ok);
    EXPECT_FALSE(saved.error.isEmpty());
}

}  // namespace
