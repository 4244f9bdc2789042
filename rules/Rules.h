#pragma once

// The rules of a game that are not about its pace: the points a cut earns,
// the lives it starts with and loses, the best score kept across games and
// the one that opens the special mode, and the name the windows carry. Pure
// functions over plain values: the game model applies them.

#include <cstdint>
#include <optional>

namespace rules {

// The best score: a number, or nothing when none was ever recorded. Nothing
// compares as 0.
using BestScore = std::optional<std::int32_t>;

// What was cut: one of the five targets, or the bonus or the hidden
// character.
enum class Cut { target, character };

// A target is worth one point wherever it is cut; a character is worth ten
// per level.
constexpr std::int32_t pointsFor(Cut cut, std::int16_t levelNumber) {
    return cut == Cut::target ? 1 : levelNumber * 10;
}

// Lives at start-up and after every Reset. A breach costs one, however many
// targets broke through at once; the game is over when none is left.
inline constexpr std::int16_t startingLives = 3;
constexpr std::int16_t livesAfterBreach(std::int16_t lives) {
    return static_cast<std::int16_t>(lives - 1);
}
constexpr bool isGameOver(std::int16_t lives) { return lives <= 0; }

// Of the best score kept and another (a finished game's score, or what
// another copy of the game saved meanwhile), the greater; the kept one on a
// tie, so a recorded 0 is not replaced by nothing nor nothing by 0.
constexpr BestScore betterBest(const BestScore& kept, const BestScore& other) {
    return other.value_or(0) > kept.value_or(0) ? other : kept;
}

// A best score strictly above this opens the special mode (150 does not,
// 151 does).
inline constexpr std::int32_t specialModeAbove = 150;
constexpr bool unlocksSpecialMode(const BestScore& best) {
    return best.value_or(0) > specialModeAbove;
}

// The main window's caption and the program's name in the version dialog.
inline constexpr char caption[] = "Zanrai";

}  // namespace rules
