// The rules of play on the model alone, without a window: what the labels
// would show is the last thing each signal said.

#include <gtest/gtest.h>

#include "GameModel.h"

namespace {

struct Game {
    GameModel model;
    QString score, lives, level, message, best;

    explicit Game(rules::BestScore rank = 0) {
        QObject::connect(&model, &GameModel::scoreChanged,
                         [this](std::int32_t s) { score = QString::number(s); });
        QObject::connect(&model, &GameModel::livesChanged,
                         [this](std::int16_t l) { lives = QString::number(l); });
        QObject::connect(&model, &GameModel::levelChanged, [this](const QString& t) { level = t; });
        QObject::connect(&model, &GameModel::bandMessage,
                         [this](const QString& t) { message = t; });
        QObject::connect(&model, &GameModel::bestChanged, [this](const rules::BestScore& b) {
            best = b ? QString::number(*b) : QStringLiteral("nothing");
        });
        model.load(rank);
        model.start();
    }
};

TEST(GameModel, BandBoundariesForEveryLevelAndMode) {
    // Scores either side of every band's edge (below the first nothing is
    // said), and the step there at the levels 1, 5, 10 and 20.
    const struct {
        std::int32_t score;
        const char* level;
        const char* normalText;
        const char* specialText;
        std::int16_t steps[4];
    } bands[] = {
        {50, "", "", "", {1, 5, 10, 20}},
        {51, "2", "斬れ斬れ斬れぇーい！", "身ね打ち厳禁!!!", {6, 15, 20, 30}},
        {100, "2", "斬れ斬れ斬れぇーい！", "身ね打ち厳禁!!!", {6, 15, 20, 30}},
        {101, "3", "真中のお前！減俸!!!", "弥七やっぱ風車自前？", {6, 25, 30, 40}},
        {200, "3", "真中のお前！減俸!!!", "弥七やっぱ風車自前？", {6, 25, 30, 40}},
        {201, "Max!!!", "そろそろ指つった？", "何！印篭落とした！？", {11, 25, 30, 40}},
    };
    const std::int16_t levelSteps[] = {1, 5, 10, 20};
    for (const std::int16_t mode : {std::int16_t{0}, std::int16_t{1}}) {
        for (std::size_t l = 0; l < std::size(levelSteps); ++l) {
            for (const auto& band : bands) {
                SCOPED_TRACE("mode " + std::to_string(mode) + " step " +
                             std::to_string(levelSteps[l]) + " score " +
                             std::to_string(band.score));
                Game g;
                g.model.uraMode = mode;
                g.model.levelStep = levelSteps[l];
                g.model.start();
                g.model.score = band.score - 1;
                g.model.cut(rules::Cut::target);
                EXPECT_EQ(g.score, QString::number(band.score));
                EXPECT_EQ(g.model.moveStep, band.steps[l]);
                EXPECT_EQ(g.level, QString::fromUtf8(band.level));
                EXPECT_EQ(g.message, QString::fromUtf8(mode ? band.specialText : band.normalText));
            }
        }
    }
    // A character is worth ten points per level.
    for (const std::int16_t number : {std::int16_t{1}, std::int16_t{2}, std::int16_t{3}}) {
        Game g;
        g.model.levelNumber = number;
        g.model.cut(rules::Cut::character);
        EXPECT_EQ(g.model.score, number * 10);
    }
}

TEST(GameModel, ABreachCostsOneLifeUntilNoneIsLeftAndResetGivesThemBack) {
    Game g;
    g.model.score = 120;
    g.model.cut(rules::Cut::target);
    for (int lost = 0; lost < 3; ++lost) {
        EXPECT_FALSE(g.model.isOver());
        g.model.breach();
    }
    EXPECT_EQ(g.lives, QStringLiteral("0"));
    EXPECT_TRUE(g.model.isOver());

    g.model.reset();
    EXPECT_EQ(g.lives, QStringLiteral("3"));
    EXPECT_EQ(g.score, QStringLiteral("0"));
    EXPECT_EQ(g.level, QStringLiteral("1"));
    EXPECT_EQ(g.model.moveStep, g.model.levelStep);
}

TEST(GameModel, TheBestScoreIsTheBetterOfTwoAndAboveOneHundredFiftyOpensTheSpecialMode) {
    const struct {
        rules::BestScore best;
        std::int32_t score;
        const char* after;
        bool special;
    } ends[] = {{std::nullopt, 0, "nothing", false},
                {100, 100, "100", false},
                {100, 150, "150", false},
                {100, 151, "151", true},
                {200, 7, "200", true}};
    for (const auto& e : ends) {
        Game g(e.best);
        g.model.score = e.score;
        g.best.clear();
        g.model.endGame();
        EXPECT_EQ(g.best, QString::fromLatin1(e.after)) << "shown also when unchanged";
        EXPECT_EQ(g.model.unlocksSpecialMode(), e.special) << e.after;
    }
    // What another copy saved meanwhile is kept only when it is better.
    Game g(100);
    EXPECT_FALSE(g.model.adoptBest(100));
    EXPECT_FALSE(g.model.adoptBest(std::nullopt));
    EXPECT_TRUE(g.model.adoptBest(200));
    EXPECT_EQ(g.best, QStringLiteral("200"));
}

}  // namespace
