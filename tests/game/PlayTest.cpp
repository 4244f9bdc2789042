#include "GameFixture.h"
#include "Pace.h"
#include "Random.h"

namespace {

using Play = GameFixture;
using Sound = mm::RecordingMultimedia::SoundRequest;

TEST(RandomDraws, ArePinnedFromTheFixedStart) {
    // Computed independently from the published PCG32 algorithm and the
    // game's start state.
    const double expected[] = {6.556510925292969e-07, 0.3488309383392334,  0.9305790066719055,
                               0.6176875829696655,    0.06076294183731079, 0.46322739124298096};
    Random random;
    for (double e : expected) EXPECT_DOUBLE_EQ(random.next(), e);
}

TEST(RandomDraws, StayInTheUnitInterval) {
    Random random;
    double lowest = 1, highest = 0;
    int buckets[5] = {};
    for (int i = 0; i < 100000; ++i) {
        const double u = random.next();
        lowest = std::min(lowest, u);
        highest = std::max(highest, u);
        ++buckets[static_cast<int>(u * 5)];
    }
    EXPECT_GE(lowest, 0.0);
    EXPECT_LT(highest, 1.0);
    for (int count : buckets) EXPECT_NEAR(count, 20000, 800);
}

TEST_F(Play, TargetsSinkByTheStepOnEveryTick) {
    Form1& f = load();
    f.mnustart_Click();
    for (int i = 0; i < 3; ++i) f.Timer1_Timer();
    for (auto* target : f.targets) EXPECT_FLOAT_EQ(target->top(), 1830.0F);
    EXPECT_EQ(f.Image1->y(), 122);  // 1830 / 15
}

TEST_F(Play, PushesFollowTheGeneratorAndTheirDistances) {
    Form1& f = load();
    f.mnustart_Click();
    // The first draws pick targets 1, 2, 5, 4, 1, 3.
    for (int i = 0; i < 6; ++i) f.Timer2_Timer();
    EXPECT_FLOAT_EQ(f.Image1->top(), pace::homeTop + 50 + 50);
    EXPECT_FLOAT_EQ(f.Image2->top(), pace::homeTop + 100);
    EXPECT_FLOAT_EQ(f.Image3->top(), pace::homeTop + 150);
    EXPECT_FLOAT_EQ(f.Image4->top(), pace::homeTop + 100);
    EXPECT_FLOAT_EQ(f.Image5->top(), pace::homeTop + 150);
}

TEST_F(Play, TheLimitIsStrictlyBelowTheRedLine) {
    Form1& f = load();
    f.mnustart_Click();
    f.Image3->setTop(2880.0F);
    f.Timer3_Timer();
    EXPECT_EQ(f.lives, 3);

    f.Image3->setTop(2880.01F);
    f.Timer3_Timer();
    EXPECT_EQ(f.lives, 2);
    EXPECT_EQ(f.Label9->caption(), QStringLiteral("2"));
    EXPECT_TRUE(f.lifeFlash->isVisible()) << "the lost life flashes";
    const QRect burst = f.breachMark->geometry();
    EXPECT_TRUE(f.breachMark->isVisible() && !f.breachMark->isEnabled());
    EXPECT_EQ(burst.center().x(), f.Image3->geometry().center().x()) << "where it broke through";
    EXPECT_TRUE(burst.top() < f.Line2->y() && f.Line2->y() < burst.bottom()) << "on the red line";
    EXPECT_LE(f.afterglow->remainingTime(), 250);
    EXPECT_FLOAT_EQ(f.Image3->top(), pace::homeTop);
    EXPECT_EQ(sound.sounds, (std::vector<Sound>{{"/opt/zanrai/hajiku.dat", 0x13}}));
}

TEST_F(Play, SeveralTargetsPastTheLimitCostOneLifeAndAllGoHome) {
    Form1& f = load();
    f.mnustart_Click();
    f.Image1->setTop(3000.0F);
    f.Image5->setTop(2900.0F);
    f.Image2->setTop(2500.0F);
    f.Timer3_Timer();
    EXPECT_EQ(f.lives, 2);
    for (auto* target : f.targets) EXPECT_FLOAT_EQ(target->top(), pace::homeTop);
    f.Timer3_Timer();
    EXPECT_EQ(f.lives, 2);
}

TEST_F(Play, ACutEarnsAPointSendsTheTargetHomeAndSounds) {
    Form1& f = load();
    f.mnustart_Click();
    for (int i = 0; i < 100; ++i) f.Timer1_Timer();  // 2800, just above the limit
    click(f.Image4);
    EXPECT_EQ(f.score, 1);
    EXPECT_FLOAT_EQ(f.Image4->top(), pace::homeTop);
    EXPECT_FLOAT_EQ(f.Image5->top(), 2800.0F);
    EXPECT_EQ(f.Label2->caption(), QStringLiteral("1"));
    EXPECT_EQ(sound.sounds, (std::vector<Sound>{{"/opt/zanrai/kiru.dat", 0x13}}));
    // A cut target is clicked where it now stands.
    click(f.Image4);
    EXPECT_EQ(f.score, 2);
}

// The press lands on the form's surface as a player's does, so what lies on
// top decides who gets it.
TEST_F(Play, ACutLeavesABriefSlashThatTakesNoClicks) {
    Form1& f = load();
    f.mnustart_Click();
    click(f.Image1);
    kit::ImageControl* mark = f.cutMarks[0];
    ASSERT_TRUE(mark->isVisible());
    EXPECT_EQ(mark->geometry(), f.Image1->geometry()) << "the target was cut at home";
    EXPECT_LE(f.afterglow->remainingTime(), 120);

    click(f.Image1);
    EXPECT_EQ(f.score, 2) << "the target under the slash is cut again";
    EXPECT_TRUE(QTest::qWaitFor([mark] { return !mark->isVisible(); }, 1000));
    EXPECT_EQ(f.score, 2);
}

TEST_F(Play, TheBonusCharacterIsCutOnceForTenPointsPerLevel) {
    Form1& f = load();
    f.mnustart_Click();
    click(f.Image6);
    EXPECT_EQ(f.score, 20);
    EXPECT_EQ(f.Image6->picture(), f.Image7->picture());
    EXPECT_FALSE(f.Image6->isEnabled());
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("うっ!(よく気づいたな…)"));
    click(f.Image6);
    EXPECT_EQ(f.score, 20);
    // Again after Start: a score in a band puts the band's message over its text.
    f.mnustart_Click();
    f.score = 45;
    click(f.Image6);
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("斬れ斬れ斬れぇーい！"));
}

TEST_F(Play, TheHiddenCharacterSpeaksUntilReset) {
    Form1& f = load();
    f.levelNumber = 3;
    f.mnustart_Click();
    click(f.Image9);
    EXPECT_EQ(f.score, 30);
    EXPECT_EQ(f.Image9->picture(), f.Image11->picture());
    EXPECT_TRUE(f.Label11->isVisible());
    EXPECT_EQ(f.Label11->caption(), QStringLiteral("拙者に気づくとは・・・"));
    click(f.Image9);
    EXPECT_EQ(f.score, 30);
    for (int i = 0; i < 20; ++i) f.Timer1_Timer();
    EXPECT_TRUE(f.Label11->isVisible());
    f.mnuRst_Click();
    EXPECT_FALSE(f.Label11->isVisible());
}

TEST_F(Play, TheSpecialModeHasItsOwnCharacterTexts) {
    Form1& f = load("300\r\n");
    f.mnuUra_Click();
    f.mnustart_Click();
    click(f.Image6);
    click(f.Image9);
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("後に斬るほど高得点"));
    EXPECT_EQ(f.Label11->caption(), QStringLiteral("何もしてないのに・・・酷い"));
}

TEST_F(Play, ClicksBeforeStartAfterResetOrAfterGameOverDoNothing) {
    Form1& f = load();
    for (auto* image : {f.Image1, f.Image3, f.Image6, f.Image9}) click(image);
    EXPECT_TRUE(sound.sounds.empty());
    f.mnustart_Click();
    f.mnuRst_Click();
    click(f.Image1);
    click(f.Image6);
    EXPECT_EQ(f.score, 0);

    f.mnustart_Click();
    for (int i = 0; i < 3; ++i) loseALife();
    ASSERT_EQ(messages.size(), 1);
    click(f.Image2);
    click(f.Image9);
    EXPECT_EQ(f.score, 0);
}

// A scripted player: it cuts whichever target sinks lowest every 5 ticks,
// tires after 120 cuts and lets the targets through.
TEST_F(Play, AWholeGameFromStartToGameOver) {
    Form1& f = load("100\r\n");
    f.mnustart_Click();
    click(f.Image6);
    click(f.Image9);
    int cuts = 0;
    int tick = 0;
    while (messages.isEmpty() && tick < 200000) {
        f.Timer1_Timer();
        if (++tick % 100 == 0) f.Timer2_Timer();
        f.Timer3_Timer();
        if (tick % 5 == 0 && cuts < 120 && messages.isEmpty()) {
            kit::ImageControl* lowest = f.Image1;
            for (auto* t : {f.Image2, f.Image3, f.Image4, f.Image5})
                if (t->top() > lowest->top()) lowest = t;
            click(lowest);
            ++cuts;
        }
    }
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(rankContent(), QByteArray("160\r\n"));  // 40 for the characters and 120 cuts
    EXPECT_FALSE(f.lifeFlash->isVisible()) << "nothing of the last game flashes on the idle window";
}

}  // namespace
