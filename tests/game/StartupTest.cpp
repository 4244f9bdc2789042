#include <QDir>

#include "DataFolder.h"
#include "GameFixture.h"

namespace {

using Startup = GameFixture;

TEST_F(Startup, LeavesTheGameIdleWithTheBestScoreOnDisplay) {
    Form1& f = load("230\r\n");
    EXPECT_EQ(f.Label5->caption(), QStringLiteral("230"));
    EXPECT_EQ(f.highScore, 230);
    EXPECT_EQ(f.lives, 3);
    EXPECT_EQ(f.score, 0);
    EXPECT_EQ(f.levelStep, 10);
    EXPECT_EQ(f.levelNumber, 2);
    EXPECT_EQ(f.moveStep, 0);
    EXPECT_EQ(f.uraMode, 0);
    EXPECT_FALSE(f.titleToggle.has_value());
    for (auto* image : {f.Image1, f.Image2, f.Image3, f.Image4, f.Image5, f.Image6, f.Image9})
        EXPECT_FALSE(image->isEnabled());
    EXPECT_TRUE(sound.commands.empty()) << "start-up plays no music";
}

TEST_F(Startup, TheSpecialModeIsOfferedToABestScoreAboveOneHundredFifty) {
    load("151\r\n");
    EXPECT_TRUE(form->mnuUra->isVisible());
    EXPECT_TRUE(form->mnuBlank2->isVisible());
    EXPECT_TRUE(form->mnuRet->isVisible());
}

TEST_F(Startup, ABlankFirstLineShowsNoBestScore) {
    Form1& f = load("\r\n");
    EXPECT_EQ(f.Label5->caption(), QString());
    EXPECT_FALSE(f.highScore.has_value());
}

TEST_F(Startup, AMissingRankFileIsReportedAndNothingIsCreated) {
    form = std::make_unique<Form1>(services());
    EXPECT_FALSE(form->Form_Load());
    ASSERT_EQ(fileErrors.size(), 1);
    EXPECT_TRUE(fileErrors.first().contains(QStringLiteral("rank.dat")));
    EXPECT_FALSE(QFile::exists(rankPath()));
}

TEST_F(Startup, AnEmptyOrDamagedRankFileIsReportedAndKept) {
    for (const QByteArray& bad :
         {QByteArray(""), QByteArray("high\r\n"), QByteArray("99999999999")}) {
        fileErrors.clear();
        writeRank(bad);
        form = std::make_unique<Form1>(services());
        EXPECT_FALSE(form->Form_Load()) << bad.constData();
        EXPECT_EQ(fileErrors.size(), 1);
        EXPECT_EQ(rankContent(), bad);
    }
}

TEST_F(Startup, DataFilesLieBesideTheProgramWithOneSeparator) {
    writeRank("0\r\n");
    for (const QString& folder : {QStringLiteral("/opt/zanrai"), QStringLiteral("/opt/zanrai/")}) {
        Form1 f(services(folder));
        ASSERT_TRUE(f.Form_Load());
        EXPECT_EQ(f.bgmPath, QStringLiteral("/opt/zanrai/bgm.dat"));
        EXPECT_EQ(f.bgm2Path, QStringLiteral("/opt/zanrai/bgm2.dat"));
        EXPECT_EQ(f.cutSoundPath, QStringLiteral("/opt/zanrai/kiru.dat"));
        EXPECT_EQ(f.deflectSoundPath, QStringLiteral("/opt/zanrai/hajiku.dat"));
    }
    Form1 root(services(QStringLiteral("/")));
    ASSERT_TRUE(root.Form_Load());
    EXPECT_EQ(root.bgmPath, QStringLiteral("/bgm.dat"));
}

// The build tree and a copy with its files keep them beside the program; an
// installed program whose files a packager moved finds the folder it was
// built with.
TEST_F(Startup, DataFilesBesideTheProgramWinOverTheInstalledFolder) {
    const QString beside = work.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(beside));
    const QString installed = QStringLiteral("/usr/share/games/zanrai");
    EXPECT_EQ(dataFolder(beside, QString()), beside);
    EXPECT_EQ(dataFolder(beside, installed), installed);
    QFile(beside + QStringLiteral("/bgm.dat")).open(QIODevice::WriteOnly);
    EXPECT_EQ(dataFolder(beside, installed), beside);
}

}  // namespace
