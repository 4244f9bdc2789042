#include "GameFixture.h"

namespace {

using Scoring = GameFixture;

struct Band {
    int score;
    const char* level;
    const char* normalText;
    const char* specialText;
};

// Scores either side of every band boundary and what each shows.
const Band bands[] = {
    {50, "1", "曲者じゃ出会えぃ", "懲らしめてあげなさい"},
    {51, "2", "斬れ斬れ斬れぇーい！", "身ね打ち厳禁!!!"},
    {100, "2", "斬れ斬れ斬れぇーい！", "身ね打ち厳禁!!!"},
    {101, "3", "真中のお前！減俸!!!", "弥七やっぱ風車自前？"},
    {200, "3", "真中のお前！減俸!!!", "弥七やっぱ風車自前？"},
    {201, "Max!!!", "そろそろ指つった？", "何！印篭落とした！？"},
};

// The descent step for each level choice at the six scores above.
struct Steps {
    std::int16_t levelStep;
    std::int16_t at[6];
};
const Steps steps[] = {
    {1, {1, 6, 6, 6, 6, 11}},
    {5, {5, 15, 15, 25, 25, 25}},
    {10, {10, 20, 20, 30, 30, 30}},
    {20, {20, 30, 30, 40, 40, 40}},
};

TEST_F(Scoring, BandBoundariesForEveryLevelAndMode) {
    for (std::int16_t mode : {0, 1}) {
        for (const Steps& level : steps) {
            for (std::size_t b = 0; b < std::size(bands); ++b) {
                Form1& f = load("500\r\n");
                if (mode == 1) f.mnuUra_Click();
                f.levelStep = level.levelStep;
                f.mnustart_Click();
                f.score = bands[b].score - 1;
                click(f.Image1);
                ASSERT_EQ(f.score, bands[b].score);
                const std::string where = "mode " + std::to_string(mode) + " step " +
                                          std::to_string(level.levelStep) + " score " +
                                          std::to_string(bands[b].score);
                EXPECT_EQ(f.moveStep, level.at[b]) << where;
                EXPECT_EQ(f.Label7->caption(), QString::fromUtf8(bands[b].level)) << where;
                EXPECT_EQ(f.Label10->caption(),
                          QString::fromUtf8(mode ? bands[b].specialText : bands[b].normalText))
                    << where;
                EXPECT_EQ(f.Label2->caption(), QString::number(bands[b].score)) << where;
            }
        }
    }
}

TEST_F(Scoring, ABonusThatJumpsIntoABandAppliesItAtOnce) {
    Form1& f = load();
    f.mnustart_Click();
    f.score = 45;
    click(f.Image6);  // 20 points: 65
    EXPECT_EQ(f.Label7->caption(), QStringLiteral("2"));
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("斬れ斬れ斬れぇーい！"));
    EXPECT_EQ(f.moveStep, 20);

    f.levelNumber = 3;
    f.score = 90;
    click(f.Image9);  // 30 points: 120
    EXPECT_EQ(f.Label7->caption(), QStringLiteral("3"));
    EXPECT_EQ(f.moveStep, 30);
}

TEST_F(Scoring, BelowTheFirstBandTheBonusTextStays) {
    Form1& f = load();
    f.mnustart_Click();
    f.score = 10;
    click(f.Image6);
    EXPECT_EQ(f.Label10->caption(), QStringLiteral("うっ!(よく気づいたな…)"));
    EXPECT_EQ(f.Label7->caption(), QStringLiteral("1"));
    EXPECT_EQ(f.moveStep, 10);
    EXPECT_EQ(sound.sounds.size(), 1U) << "every cut plays the cut sound";
}

TEST_F(Scoring, AValueLabelGrowsToTheRightOnly) {
    Form1& f = load();
    f.mnustart_Click();
    const QRect before = f.Label7->geometry();
    f.score = 200;
    click(f.Image1);
    EXPECT_EQ(f.Label7->caption(), QStringLiteral("Max!!!"));
    EXPECT_EQ(f.Label7->pos(), before.topLeft());
    EXPECT_GT(f.Label7->width(), before.width());
}

}  // namespace
