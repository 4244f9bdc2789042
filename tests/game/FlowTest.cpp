#include <algorithm>
#include <functional>

#include "DesktopBeep.h"
#include "Form2.h"
#include "Form5.h"
#include "GameFixture.h"
#include "Pace.h"

namespace {

using Flow = GameFixture;
using Commands = std::vector<std::string>;

TEST_F(Flow, StartShowsTheOpeningLinePlaysTheMusicAndRunsTheTimers) {
    Form1& f = load();
    f.mnustart_Click();
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("曲者じゃ出会えぃ"));
    EXPECT_EQ(sound.playingPath(), std::optional<std::string>("/opt/zanrai/bgm.dat"));
    EXPECT_EQ(f.moveStep, 10);
    for (auto* timer : {f.Timer1, f.Timer2, f.Timer3}) EXPECT_TRUE(timer->enabled());
    for (auto* timer : {f.Timer4, f.Timer5, f.Timer6}) EXPECT_FALSE(timer->enabled());
    for (auto* image : {f.Image1, f.Image2, f.Image3, f.Image4, f.Image5, f.Image6, f.Image9})
        EXPECT_TRUE(image->isEnabled());
}

TEST_F(Flow, StartInTheSpecialModePlaysTheOtherTune) {
    Form1& f = load("200\r\n");
    f.mnuUra_Click();
    f.mnustart_Click();
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("懲らしめてあげなさい"));
    EXPECT_EQ(sound.playingPath(), std::optional<std::string>("/opt/zanrai/bgm2.dat"));
}

TEST_F(Flow, StartAgainRestartsTheMusicAndStepButKeepsScoreAndLives) {
    Form1& f = load();
    f.mnustart_Click();
    for (int i = 0; i < 60; ++i) click(f.Image1);
    loseALife();
    ASSERT_EQ(f.moveStep, 20);
    ASSERT_EQ(f.lives, 2);
    click(f.Image6);
    ASSERT_FALSE(f.Image6->isEnabled());

    f.mnustart_Click();
    EXPECT_EQ(f.moveStep, 10);
    EXPECT_EQ(f.score, 80);
    EXPECT_EQ(f.lives, 2);
    EXPECT_TRUE(f.Image6->isEnabled()) << "a cut character can be cut again after Start";
    const auto& events = sound.device().events();
    const auto plays = std::count_if(events.begin(), events.end(), [](const auto& e) {
        return e.kind == mm::MemorySequencerDevice::Event::Kind::Play;
    });
    EXPECT_EQ(plays, 2);
    EXPECT_EQ(sound.device().findByPath("/opt/zanrai/bgm.dat")->position, 0U)
        << "the second Start plays from the beginning";
}

TEST_F(Flow, ResetStopsEverythingAndRestoresTheIdleState) {
    Form1& f = load("42\r\n");
    f.mnustart_Click();
    click(f.Image6);
    click(f.Image9);
    for (int i = 0; i < 5; ++i) f.Timer1_Timer();
    const std::size_t before = sound.commands.size();

    f.mnuRst_Click();
    EXPECT_EQ(commandsSince(before), (Commands{"stop midifile ", "stop midifile "}));
    EXPECT_FALSE(sound.playingPath().has_value());
    EXPECT_EQ(f.Label9->caption(), QStringLiteral("3"));
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("レッツプレイ"));
    EXPECT_EQ(f.Label2->caption(), QStringLiteral("0"));
    EXPECT_EQ(f.Label7->caption(), QStringLiteral("1"));
    EXPECT_EQ(f.Label5->caption(), QStringLiteral("42"));
    EXPECT_FALSE(f.Label11->isVisible());
    EXPECT_EQ(f.Image6->picture(), f.Image8->picture());
    EXPECT_EQ(f.Image9->picture(), f.Image10->picture());
    for (auto* target : f.targets) EXPECT_FLOAT_EQ(target->top(), pace::homeTop);
    for (auto* image : {f.Image1, f.Image5, f.Image6, f.Image9}) EXPECT_FALSE(image->isEnabled());
    for (auto* timer : {f.Timer1, f.Timer2, f.Timer3}) EXPECT_FALSE(timer->enabled());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(rankContent(), QByteArray("42\r\n"));
}

TEST_F(Flow, GameOverRaisesAndSavesTheBestScoreThenResets) {
    Form1& f = load("100\r\n");
    f.mnustart_Click();
    for (int i = 0; i < 151; ++i) click(f.Image2);
    loseALife();
    loseALife();
    const std::size_t before = sound.commands.size();
    loseALife();

    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Zanrai暫定版|無念…。")});
    EXPECT_EQ(rankContent(), QByteArray("151\r\n"));
    EXPECT_EQ(f.Label5->caption(), QStringLiteral("151"));
    EXPECT_TRUE(f.mnuUra->isVisible());
    EXPECT_EQ(commandsSince(before),
              (Commands{"stop midifile ", "stop midifile ", "stop midifile "}));
    EXPECT_EQ(f.Label9->caption(), QStringLiteral("3"));
    EXPECT_EQ(f.score, 0);
    EXPECT_FALSE(f.Image1->isEnabled());
    EXPECT_FALSE(f.Timer1->enabled());
    EXPECT_FALSE(endStatus.has_value());
}

TEST_F(Flow, GameOverBelowTheBestScoreRewritesTheSameValue) {
    Form1& f = load("100,7\r\nold\r\n");
    f.mnustart_Click();
    for (int i = 0; i < 3; ++i) loseALife();
    EXPECT_EQ(f.highScore, 100);
    EXPECT_EQ(rankContent(), QByteArray("100\r\n"));
    EXPECT_FALSE(f.mnuUra->isVisible());

    // Another copy of the game saved 200 during this game: it is kept, shown,
    // and unlocks the special mode here too.
    writeRank("200\r\n");
    f.mnustart_Click();
    for (int i = 0; i < 3; ++i) loseALife();
    EXPECT_EQ(rankContent(), QByteArray("200\r\n"));
    EXPECT_EQ(f.Label5->caption(), QStringLiteral("200"));
    EXPECT_TRUE(f.mnuUra->isVisible());
}

TEST_F(Flow, TheGameOverBoxSeesTheEndingState) {
    writeRank("0\r\n");
    QString livesShown;
    bool timersOff = false;
    FormServices s = services();
    s.messageBox = [&](const QString&, const QString&) {
        livesShown = form->Label9->caption();
        timersOff = !form->Timer1->enabled() && !form->Timer3->enabled();
        EXPECT_EQ(rankContent(), QByteArray("0\r\n")) << "saved only after the box";
    };
    form = std::make_unique<Form1>(s);
    ASSERT_TRUE(form->Form_Load());
    form->mnustart_Click();
    for (int i = 0; i < 3; ++i) loseALife();
    EXPECT_EQ(livesShown, QStringLiteral("0"));
    EXPECT_TRUE(timersOff);
}

TEST_F(Flow, AReadOnlyRankFileAtGameOverIsReportedAndKept) {
    Form1& f = load("90\r\n");
    QFile::setPermissions(rankPath(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    f.mnustart_Click();
    for (int i = 0; i < 95; ++i) click(f.Image3);
    for (int i = 0; i < 3; ++i) loseALife();
    settle();
    EXPECT_EQ(fileErrors.size(), 1);
    EXPECT_EQ(endStatus, 1);
    EXPECT_EQ(rankContent(), QByteArray("90\r\n"));
}

TEST_F(Flow, ExitClosesTheMusicAndSavesNothing) {
    Form1& f = load("12\r\n");
    f.mnustart_Click();
    for (int i = 0; i < 30; ++i) click(f.Image4);
    const std::size_t before = sound.commands.size();
    f.mnuExit_Click();
    EXPECT_EQ(commandsSince(before), (Commands{"stop midifile ", "close midifile"}));
    EXPECT_EQ(endStatus, 0);
    EXPECT_EQ(rankContent(), QByteArray("12\r\n"));
    EXPECT_FALSE(f.Timer1->enabled());
}

// A termination signal runs Exit while the game-over box waits; the game over
// must not carry on after it.
TEST_F(Flow, ExitWhileTheGameOverBoxIsOpenIsTheEnd) {
    writeRank("12\r\n");
    FormServices withExit = services();
    withExit.messageBox = [this](const QString&, const QString&) { form->mnuExit_Click(); };
    form = std::make_unique<Form1>(withExit);
    ASSERT_TRUE(form->Form_Load());
    form->mnustart_Click();
    for (int i = 0; i < 160; ++i) form->Image4_Click();
    for (int i = 0; i < 3; ++i) loseALife();
    EXPECT_EQ(endStatus, 0);
    EXPECT_EQ(rankContent(), QByteArray("12\r\n"));
    EXPECT_FALSE(form->mnuUra->isVisible()) << "the menu was revealed after Exit";
    EXPECT_EQ(form->Label9->caption(), QStringLiteral("0")) << "Reset ran after Exit";
}

// The ways out other than the menu leave as File, Exit does: a close request
// from the desktop, and Ctrl+Q wherever the keyboard is while Exit is in
// reach, the two modeless dialogs included.
TEST_F(Flow, ACloseRequestOrCtrlQActsAsExit) {
    using Focus = std::function<QWidget*(Form1&)>;
    const std::vector<std::pair<const char*, Focus>> ways = {
        {"close request", [](Form1&) -> QWidget* { return nullptr; }},
        {"Ctrl+Q in the main window", [](Form1& f) -> QWidget* { return &f; }},
        {"Ctrl+Q in the level dialog",
         [](Form1& f) -> QWidget* { return f.mnuLv_Click(), f.levelDialog.data(); }},
        {"Ctrl+Q in the version dialog",
         [](Form1& f) -> QWidget* { return f.mnuVer_Click(), f.versionDialog.data(); }},
    };
    for (const auto& [way, focus] : ways) {
        SCOPED_TRACE(way);
        endStatus.reset();
        Form1& f = load();
        QWidget* window = focus(f);
        f.mnustart_Click();
        if (window == nullptr) {
            f.close();
        } else {
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        }
        EXPECT_EQ(endStatus, 0);
        EXPECT_EQ(sound.commands.back(), "close midifile");
        EXPECT_FALSE(f.isVisible());
    }
}

}  // namespace

// Qt rings the X bell where there is one; a Wayland compositor has none, and
// there the desktop's own alert sound is played instead.
TEST(Beep, IsTheXBellExceptOnWayland) {
    const struct {
        const char* platform;
        BeepKind kind;
    } cases[] = {{"xcb", BeepKind::XBell},
                 {"wayland", BeepKind::AlertSound},
                 {"wayland-egl", BeepKind::AlertSound},
                 {"offscreen", BeepKind::XBell},
                 {"", BeepKind::XBell}};
    for (const auto& c : cases)
        EXPECT_EQ(beepFor(QString::fromLatin1(c.platform)), c.kind) << c.platform;
}
