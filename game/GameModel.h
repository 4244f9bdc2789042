#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

#include "GameState.h"
#include "Rules.h"

// One game without its window: the state, and every rule of play applied to
// it (the rules themselves are pure functions in rules/). The main window
// forwards its handlers here and shows what the signals tell it; the model
// knows no control, sound or file.
class GameModel : public QObject, public GameState {
    Q_OBJECT
public:
    // Twips each target sinks on every descent tick.
    std::int16_t moveStep = 0;
    // The special mode: 0 normal, 1 on. It chooses the bands' messages.
    std::int16_t uraMode = 0;

    // Start-up: the best score read, the lives, the level Normal, no points.
    void load(const rules::BestScore& best);
    // Start and Reset: the step falls back to the level's own.
    void start();
    void reset();
    // A cut scores, and a score in a band sets the step, the level and the
    // message again, also when they are unchanged.
    void cut(rules::Cut what);
    // A target broke through: one life lost.
    void breach();
    bool isOver() const { return rules::isGameOver(lives); }
    // The end of a game: the best score becomes the better of itself and the
    // game's score, and is shown again also when it did not change.
    void endGame();
    // Another copy of the game saved a better score meanwhile: it is kept.
    // True when it replaced the best score.
    bool adoptBest(const rules::BestScore& saved);
    bool unlocksSpecialMode() const { return rules::unlocksSpecialMode(highScore); }

signals:
    void scoreChanged(std::int32_t score);
    void livesChanged(std::int16_t lives);
    void levelChanged(const QString& levelText);
    void bandMessage(const QString& text);
    void bestChanged(const rules::BestScore& best);
};
