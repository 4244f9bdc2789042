// rank.dat when things go wrong: a write that fails part-way (injected at the
// writer's seam, as a full disk or an I/O error would), at the file level and
// at game over; a saving program killed at random moments; two copies saving
// at once; a FIFO, a link or hostile content in place of the file.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <iostream>
#include <latch>
#include <random>
#include <thread>

#include "GameFixture.h"
#include "RankFile.h"

using namespace std::chrono_literals;

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

// What a save leaves in its folder: the file and the lock file it keeps.
const QStringList savedFiles{QStringLiteral("rank.dat"), QStringLiteral("rank.dat.lock")};

// Installs a failing writer for the life of the object.
class FailingWrites {
public:
    explicit FailingWrites(rankfile::SaveWriter writer) {
        rankfile::setSaveWriterForTesting(std::move(writer));
    }
    ~FailingWrites() { rankfile::setSaveWriterForTesting({}); }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;
};

// The ways a write can go wrong part-way.
struct WriteFault {
    const char* name;
    rankfile::SaveWriter writer;
};

std::vector<WriteFault> writeFaults() {
    return {
        {"half written, then an error",
         [](QFile& f, const char* data, qint64 size) {
             f.write(data, size / 2);
             return qint64{-1};
         }},
        {"a short write",
         [](QFile& f, const char* data, qint64 size) { return f.write(data, size - 1); }},
        {"nothing written", [](QFile&, const char*, qint64) { return qint64{-1}; }},
        {"written, then the save is abandoned before the rename",
         [](QFile& f, const char* data, qint64 size) {
             const qint64 n = f.write(data, size);
             f.close();
             return n;
         }},
    };
}

TEST(RankSaveFaults, AWriteFailingPartWayKeepsTheOldContentAndLeavesNoLitter) {
    for (const WriteFault& fault : writeFaults()) {
        SCOPED_TRACE(fault.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rank.dat"));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("123,old\r\nkept\r\n");
        }
        {
            FailingWrites failing(fault.writer);
            const rankfile::SaveResult saved = rankfile::save(path, 4567);
            EXPECT_FALSE(saved.ok);
            EXPECT_TRUE(saved.error.contains(QStringLiteral("rank.dat")))
                << saved.error.toStdString();
            EXPECT_EQ(contentOf(path), QByteArray("123,old\r\nkept\r\n"));
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), savedFiles);

            // Where there was no file, a failed save creates none.
            const QString fresh = dir.filePath(QStringLiteral("new/rank.dat"));
            ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("new"))));
            EXPECT_FALSE(rankfile::save(fresh, 1).ok);
            EXPECT_EQ(
                QDir(dir.filePath(QStringLiteral("new"))).entryList(QDir::Files | QDir::Hidden),
                QStringList{QStringLiteral("rank.dat.lock")});
        }
        // The seam removed, the same call succeeds.
        EXPECT_TRUE(rankfile::save(path, 4567).ok);
        EXPECT_EQ(contentOf(path), QByteArray("4567\r\n"));
    }
}

// The disk fills up while the new content is written: the file size limit
// makes the write fail with EFBIG after limit bytes, as ENOSPC would on a
// full disk. No seam: the real write, flush and rename.
TEST(RankSaveFaults, ADiskFullPartWayThroughTheSaveIsReportedAndKeepsTheOldContent) {
    for (const int limit : {0, 2}) {
        SCOPED_TRACE("room for " + std::to_string(limit) + " bytes");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rank.dat"));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("123,old\r\nkept\r\n");
        }
        QProcess saver;
        saver.start(
            QStringLiteral(ZANRAI_RANK_SAVER),
            {QStringLiteral("once"), dir.path(), QStringLiteral("4567"), QString::number(limit)});
        ASSERT_TRUE(saver.waitForFinished(20000));
        ASSERT_EQ(saver.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(saver.exitCode(), 1) << "the failed save must be reported";
        // The first real cause (EFBIG from the size limit), not the clean-up's.
        const QString error = QString::fromLocal8Bit(saver.readAllStandardOutput()).trimmed();
        EXPECT_TRUE(error.endsWith(QStringLiteral("rank.dat: File too large")))
            << error.toStdString();
        EXPECT_EQ(contentOf(path), QByteArray("123,old\r\nkept\r\n"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), savedFiles);
    }
}

using GameOverSaveFaults = GameFixture;

TEST_F(GameOverSaveFaults, AFailedWriteAtGameOverIsReportedEndsTheProgramAndKeepsTheOldScore) {
    for (const WriteFault& fault : writeFaults()) {
        SCOPED_TRACE(fault.name);
        fileErrors.clear();
        endStatus.reset();
        Form1& f = load("40\r\n");
        FailingWrites failing(fault.writer);
        f.mnustart_Click();
        for (int i = 0; i < 45; ++i) click(f.Image2);
        for (int i = 0; i < 3; ++i) loseALife();
        settle();
        EXPECT_EQ(messages.size(), 1) << "the game-over box came first";
        messages.clear();
        ASSERT_EQ(fileErrors.size(), 1);
        EXPECT_TRUE(fileErrors.front().contains(QStringLiteral("rank.dat")));
        EXPECT_EQ(endStatus, 1);
        EXPECT_EQ(rankContent(), QByteArray("40\r\n"));
        EXPECT_EQ(QDir(work.path()).entryList(QDir::Files | QDir::Hidden), savedFiles);
    }
}

// Another copy of the game holding the save lock (flock locks of two open
// files conflict even within one process) until the descriptor is closed.
int holdLock(const QString& rank) {
    const int fd = ::open(QFile::encodeName(rank + ".lock").constData(), O_RDWR | O_CREAT, 0644);
    EXPECT_EQ(::flock(fd, LOCK_EX), 0);
    return fd;
}

// Two games end while the lock is held past the cap or freed during the
// wait, rank.dat emptied or garbled during the first, then Exit: the window
// goes on meanwhile, each score is written once, in order, over the damage,
// and Exit lets both saves end first, within one cap.
TEST_F(GameOverSaveFaults, AHeldLockOrADamagedFileHoldsUpNeitherTheWindowNorTheScore) {
    rankLockWait = 1000ms;
    for (const int freedAfter : {0, 100}) {
        endStatus.reset();
        Form1& f = load("40\r\n");
        std::vector<QByteArray> written;
        FailingWrites recording([&](QFile& file, const char* data, qint64 size) {
            written.emplace_back(data, size);
            return file.write(data, size);
        });
        const int other = holdLock(rankPath());
        if (freedAfter != 0) QTimer::singleShot(freedAfter, [other] { ::close(other); });
        int ticks = 0;
        QTimer timer;
        timer.callOnTimeout([&] { ++ticks; });
        timer.start(10);
        QElapsedTimer clock, gameOver;
        clock.start();
        for (const int score : {45, 50}) {
            f.mnustart_Click();
            for (int i = 0; i < score; ++i) click(f.Image2);
            if (score == 45) writeRank(freedAfter != 0 ? "abc" : "");
            loseALife(), loseALife();
            gameOver.start();
            loseALife();
            EXPECT_LT(gameOver.elapsed(), 100) << "the game over waited for the save";
        }
        f.mnuExit_Click();
        EXPECT_FALSE(endStatus.has_value()) << "Exit did not wait for the save";
        EXPECT_TRUE(QTest::qWaitFor([&] { return endStatus == 0; }, 3000));
        EXPECT_FALSE(f.savesPending()) << "the program ended before every save was attempted";
        EXPECT_EQ(rankContent(), QByteArray("50\r\n"));
        EXPECT_GE(clock.elapsed(), freedAfter != 0 ? freedAfter : 900);
        EXPECT_GT(ticks, clock.elapsed() / 20) << "the event loop stood still";
        std::cout << "[ info ] " << ticks << " ticks in " << clock.elapsed() << " ms\n";
        // The second save may have taken the place of the first, still
        // waiting its turn: the newer score once.
        EXPECT_TRUE(written == std::vector<QByteArray>{"50\r\n"} ||
                    written == (std::vector<QByteArray>{"45\r\n", "50\r\n"}));
        if (freedAfter == 0) ::close(other);
    }
}

// A program that saves rank.dat over and over, killed with SIGKILL at random
// moments, as a crash or a power-off of the session would. Every time, the
// file must hold one whole score, the newest one or an earlier one.
TEST(RankKill, ASaveLoopKilledAtRandomMomentsNeverLeavesAnInvalidFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rank.dat"));
    std::mt19937 gen(20240607U);
    std::uniform_int_distribution<int> pause(0, 30);
    const QRegularExpression oneLine(QStringLiteral("\\A[0-9]+\r\n\\z"));
    qint64 next = 1;
    int savedDuringRuns = 0;
    constexpr int runs = 40;
    for (int run = 0; run < runs; ++run) {
        QProcess saver;
        saver.start(QStringLiteral(ZANRAI_RANK_SAVER),
                    {QStringLiteral("loop"), dir.path(), QString::number(next)});
        ASSERT_TRUE(saver.waitForStarted(10000));
        // The program says so once its first save is complete.
        ASSERT_TRUE(saver.waitForReadyRead(20000)) << saver.readAllStandardError().toStdString();
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(gen)));
        saver.kill();
        ASSERT_TRUE(saver.waitForFinished(10000));
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit) << "killed while still saving";

        const QByteArray bytes = contentOf(path);
        ASSERT_TRUE(oneLine.match(QString::fromLatin1(bytes)).hasMatch())
            << "run " << run << ": \"" << bytes.toStdString() << '"';
        const rankfile::ReadResult read = rankfile::read(path);
        ASSERT_TRUE(read.ok) << read.error.toStdString();
        ASSERT_TRUE(read.highScore.has_value());
        ASSERT_GE(*read.highScore, next) << "run " << run << ": the first save was lost";
        savedDuringRuns += static_cast<int>(*read.highScore - next + 1);
        next = *read.highScore + 1;
    }
    // A save killed between writing and renaming leaves its temporary file
    // behind; the next save that holds the lock clears them away, and
    // nothing else, however much it looks like one.
    const QStringList others =
        QDir(dir.path())
            .entryList({QLatin1String(rankfile::tempPrefix) + QLatin1Char('*')},
                       QDir::Files | QDir::Hidden);
    std::cout << "[ info ] " << savedDuringRuns << " saves completed in " << runs
              << " killed runs; " << others.size() << " files left behind\n";
    writeFile(dir.filePath(QStringLiteral("rank.dat.qWeRtY")), "12");
    writeFile(dir.filePath(QStringLiteral("rank.dat.backup")), "230 on the old PC\r\n");
    ASSERT_TRUE(rankfile::save(path, 0).ok);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"rank.dat", "rank.dat.backup", "rank.dat.lock", "rank.dat.qWeRtY"}));
}

// Two copies of the game end their games at the same moment: one holds 58,
// the other still the 10 it read at start-up. Whichever saves last, and
// also when both save at once, 58 stays; so it does when they give up
// waiting for the lock at once (the program's end), from the other or from a
// third copy that holds it (the last 200 rounds).
TEST(RankTwoCopies, SavingInEitherOrderOrAtOnceKeepsTheGreaterScore) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rank.dat"));
    int third = -1;
    for (int round = 0; round < 400; ++round) {
        if (round == 200) third = holdLock(path);
        writeFile(path, "10\r\n");
        const auto giveUp = std::chrono::steady_clock::now() + 20ms;
        const auto endBy = [giveUp] { return giveUp; };
        std::latch start(2);
        rankfile::SaveResult high, low;
        std::thread a([&] {
            start.arrive_and_wait();
            high = rankfile::save(path, 58, rankfile::defaultLockWait, endBy);
        });
        std::thread b([&] {
            start.arrive_and_wait();
            low = rankfile::save(path, 10, rankfile::defaultLockWait, endBy);
        });
        a.join(), b.join();
        ASSERT_TRUE(high.ok && low.ok) << high.error.toStdString() << low.error.toStdString();
        ASSERT_EQ(contentOf(path), QByteArray("58\r\n")) << "round " << round;
    }
    ::close(third);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), savedFiles);
}

// A FIFO as rank.dat is reported at once, at start-up and at a save, instead
// of waiting forever in open(). A link is followed only to a score; anything
// else behind one is left as it is (nothing made beside it), the score kept.
TEST(RankSpecialFiles, AFifoIsNotARegularFileAndALinkIsFollowedOnlyToAScore) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rank.dat"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    EXPECT_EQ(rankfile::read(path).error,
              QFileInfo(path).absoluteFilePath() + QStringLiteral(": not a regular file"));
    EXPECT_TRUE(rankfile::save(path, 5).error.endsWith(QStringLiteral(": not a regular file")));

    const std::vector<std::pair<const char*, std::function<bool(const QString&)>>> targets{
        {"a score", [](const QString& t) { return writeFile(t, "40\r\n"), true; }},
        {"someone's notes", [](const QString& t) { return writeFile(t, "my notes"), true; }},
        {"notes after a blank line",
         [](const QString& t) { return writeFile(t, "\nmy precious notes\n"), true; }},
        {"notes after CR LF", [](const QString& t) { return writeFile(t, "\r\n# Notes"), true; }},
        {"a table of numbers",
         [](const QString& t) { return writeFile(t, "1,2,3\n4,5,6\n"), true; }},
        {"a diary that begins with a number",
         [](const QString& t) { return writeFile(t, "42\nDear diary"), true; }},
        {"an empty file", [](const QString& t) { return writeFile(t, ""), true; }},
        {"nothing", [](const QString&) { return true; }},
        {"a folder", [](const QString& t) { return QDir().mkdir(t); }},
        {"a FIFO", [](const QString& t) { return ::mkfifo(qPrintable(t), 0644) == 0; }},
    };
    for (const auto& [name, make] : targets) {
        SCOPED_TRACE(name);
        QTemporaryDir game, elsewhere;
        const QString link = game.filePath(QStringLiteral("rank.dat"));
        const QString target = elsewhere.filePath(QStringLiteral("notes.txt"));
        ASSERT_TRUE(make(target) && QFile::link(target, link));
        const auto bytes = [&] { return QFileInfo(target).isFile() ? contentOf(target) : "-"; };
        const auto beside = [&] {
            return QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden);
        };
        const QByteArray before = bytes();
        const QStringList besideBefore = beside();
        const rankfile::SaveResult saved = rankfile::save(link, 41);
        ASSERT_TRUE(saved.ok) << saved.error.toStdString();
        const bool followed = before == "40\r\n";
        EXPECT_EQ(bytes(), followed ? QByteArray("41\r\n") : before);
        EXPECT_EQ(contentOf(link + ".kept"), followed ? "<missing>" : "41\r\n");
        EXPECT_EQ(saved.notes.size(), followed ? 0 : 1);
        EXPECT_TRUE(QFileInfo(link).isSymLink() && QFileInfo::exists(link + ".lock"));
        EXPECT_EQ(beside(), besideBefore);
    }
}

// Whatever stands at the lock file's name, a damaged file gets the score
// without the lock, and nothing outside the folder is created or changed.
TEST(RankSpecialFiles, ALockFileThatCannotBeUsedIsGoneWithout) {
    QTemporaryDir dir, elsewhere;
    const QString path = dir.filePath(QStringLiteral("rank.dat")), lock = path + ".lock";
    const QString outside = elsewhere.filePath(QStringLiteral("target"));
    const std::vector<std::pair<const char*, std::function<bool()>>> cases{
        {"a link to nothing", [&] { return QFile::link(outside, lock); }},
        {"a link to a file",
         [&] {
             writeFile(outside, "x");
             return QFile::link(outside, lock);
         }},
        {"a folder", [&] { return QDir().mkdir(lock); }},
        {"a FIFO", [&] { return ::mkfifo(QFile::encodeName(lock).constData(), 0644) == 0; }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(make());
        const QByteArray before = contentOf(outside);
        writeFile(path, "abc");
        const rankfile::SaveResult saved = rankfile::save(path, 11);
        EXPECT_EQ(contentOf(path), QByteArray("11\r\n")) << saved.error.toStdString();
        ASSERT_EQ(saved.notes.size(), 2);
        EXPECT_TRUE(saved.notes[0].endsWith("; saved without the lock"));
        EXPECT_TRUE(saved.notes[1].endsWith("is not a score (a whole number); replaced with 11"));
        EXPECT_EQ(contentOf(outside), before);
        ASSERT_TRUE(QFile::remove(lock) || QDir().rmdir(lock));
    }
}

// A planted or damaged rank.dat: the score is found after any number of
// blanks, and what is quoted of junk is short and cannot act on the terminal.
TEST(RankHostileContent, TheFirstItemIsReadWholeAndQuotedSafely) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rank.dat"));
    writeFile(path, QByteArray(4094, ' ') + "98765\r\n");
    EXPECT_EQ(rankfile::read(path).highScore, 98765);

    writeFile(path, QByteArray("\x1B]0;owned\x07\x1B[2J\0\xFF", 16) + QByteArray(4096, 'j'));
    const QString quoted = rankfile::read(path).error.section(QLatin1Char('"'), 1, 1);
    EXPECT_LE(quoted.size(), 41) << quoted.toStdString();
    EXPECT_TRUE(quoted.startsWith(QStringLiteral("\\x1B]0;owned\\x07\\x1B[2J\\x00\\xFF")))
        << quoted.toStdString();
}

}  // namespace
