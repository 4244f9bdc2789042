#include "GameFixture.h"

namespace {

using SettingMenu = GameFixture;

// Every character's picture and every store the mode commands write.
std::vector<QImage> castLook(Form1& f) {
    std::vector<QImage> look;
    for (auto* image : {f.Image1, f.Image2, f.Image3, f.Image4, f.Image5, f.Image6, f.Image7,
                        f.Image8, f.Image9, f.Image10, f.Image11})
        look.push_back(image->picture());
    return look;
}

TEST_F(SettingMenu, TitleBarGoesAndComesBackWithItsCaption) {
    Form1& f = load();
    const QSize client = f.clientArea()->size();
    const QPoint clientAt = f.clientArea()->mapToGlobal(QPoint());
    f.mnuTitl_Click();
    EXPECT_EQ(f.titleToggle, 1);
    EXPECT_EQ(f.windowTitle(), QString());
    EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.clientArea()->size(), client);
    EXPECT_EQ(f.clientArea()->mapToGlobal(QPoint()), clientAt) << "the play area stays put";

    f.mnuTitl_Click();
    EXPECT_EQ(f.titleToggle, 0);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Zanrai"));
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(f.isVisible());
}

TEST_F(SettingMenu, LinesHideThenShowAgain) {
    Form1& f = load();
    f.mnuLine_Click();
    EXPECT_FALSE(f.Line1->isVisible());
    EXPECT_FALSE(f.Line2->isVisible());
    f.mnuLine_Click();
    EXPECT_TRUE(f.Line1->isVisible());
    EXPECT_TRUE(f.Line2->isVisible());
}

TEST_F(SettingMenu, TheSpecialModeCopiesItsPicturesAndTheNormalModeRestoresStartUp) {
    Form1& f = load("151\r\n");
    const std::vector<QImage> startUp = castLook(f);

    f.mnuUra_Click();
    EXPECT_EQ(f.uraMode, 1);
    for (std::size_t i = 0; i < startUp.size(); ++i)
        EXPECT_NE(castLook(f)[i], startUp[i]) << "picture " << i << " kept its normal look";
    const std::vector<QImage> special = castLook(f);
    f.mnuUra_Click();
    EXPECT_EQ(castLook(f), special) << "a second choice changes nothing";

    f.mnuRet_Click();
    EXPECT_EQ(f.uraMode, 0);
    EXPECT_EQ(castLook(f), startUp);
}

TEST_F(SettingMenu, TheSpecialModeAfterACutKeepsTheCharacterDisabledUntilStart) {
    Form1& f = load("151\r\n");
    f.mnustart_Click();
    click(f.Image6);
    f.mnuUra_Click();
    EXPECT_EQ(f.Image6->picture(), f.Image17->picture());
    EXPECT_FALSE(f.Image6->isEnabled());
    EXPECT_EQ(f.score, 20) << "the game goes on untouched";

    f.mnustart_Click();
    click(f.Image6);
    EXPECT_EQ(f.Image6->picture(), f.Image21->picture());
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("後に斬るほど高得点"));
}

TEST_F(SettingMenu, ModeSwitchesNeitherResetNorMoveAnything) {
    Form1& f = load("151\r\n");
    f.mnustart_Click();
    for (int i = 0; i < 7; ++i) f.Timer1_Timer();
    f.mnuUra_Click();
    EXPECT_FLOAT_EQ(f.Image1->top(), 1870.0F);
    EXPECT_TRUE(f.Timer1->enabled());
    EXPECT_EQ(sound.playingPath(), std::optional<std::string>("/opt/zanrai/bgm.dat"))
        << "the music follows at the next Start";
}

}  // namespace
