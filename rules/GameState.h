#pragma once

#include <cstdint>

#include "Rules.h"

// The program-wide part of the game state. The game model holds the one
// there is; the level dialog writes levelStep and levelNumber into it
// directly.
struct GameState {
    // Descent of the chosen level in twips per tick (pace::Level::step).
    std::int16_t levelStep = 0;
    // 1 to 3; the factor of the characters' bonus.
    std::int16_t levelNumber = 0;
    // Lives left in the running game.
    std::int16_t lives = 0;
    // Points of the running game.
    std::int32_t score = 0;
    // The best score so far, as rank.dat holds it.
    rules::BestScore highScore;
};
