#include "GameModel.h"

#include "Pace.h"
#include "ScoreBands.h"

void GameModel::load(const rules::BestScore& best) {
    highScore = best;
    lives = rules::startingLives;
    levelStep = pace::startLevel.step;
    levelNumber = pace::startLevel.number;
    score = 0;
    emit bestChanged(highScore);
}

void GameModel::start() { moveStep = levelStep; }

void GameModel::reset() {
    lives = rules::startingLives;
    moveStep = levelStep;
    score = 0;
    emit livesChanged(lives);
    emit scoreChanged(score);
    emit levelChanged(QString::fromUtf8(rules::firstLevelText));
}

void GameModel::cut(rules::Cut what) {
    score += rules::pointsFor(what, levelNumber);
    emit scoreChanged(score);
    const rules::ScoreBand* band = rules::bandOf(score);
    if (band == nullptr) return;
    moveStep = rules::stepIn(*band, levelStep);
    emit levelChanged(QString::fromUtf8(band->levelText));
    emit bandMessage(QString::fromUtf8(rules::messageIn(*band, uraMode != 0)));
}

void GameModel::breach() {
    lives = rules::livesAfterBreach(lives);
    emit livesChanged(lives);
}

void GameModel::endGame() {
    highScore = rules::betterBest(highScore, score);
    emit bestChanged(highScore);
}

bool GameModel::adoptBest(const rules::BestScore& saved) {
    const rules::BestScore better = rules::betterBest(highScore, saved);
    if (better == highScore) return false;
    highScore = better;
    emit bestChanged(highScore);
    return true;
}
