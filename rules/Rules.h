#pragma once

// The rules of a game that are not about its pace: the lives it starts with,
// the score bands it passes through, the best score that opens the special
// mode, and the name the windows carry.

#include <array>
#include <cstdint>

#include "RankRecord.h"

namespace rules {

// Lives at start-up and after every Reset.
inline constexpr std::int16_t startingLives = 3;

// A best score strictly above this opens the special mode (150 does not,
// 151 does).
inline constexpr std::int32_t specialModeAbove = 150;
inline bool unlocksSpecialMode(const HighScore& best) {
    return comparable(best) > specialModeAbove;
}

// The main window's caption and the program's name in the version dialog.
inline constexpr char caption[] = "Zanrai";

// The score bands that speed a game up. A band holds the scores above its
// edge up to the next band's edge; below the first edge nothing changes,
// and the level display keeps the text a Reset gave it.
enum class Band { second, third, max };
struct ScoreBand {
    Band band;
    std::int32_t above;
    const char* levelText;
};
inline constexpr std::array<ScoreBand, 3> scoreBands{{
    {Band::second, 50, "2"},
    {Band::third, 100, "3"},
    {Band::max, 200, "Max!!!"},
}};
inline constexpr char firstLevelText[] = "1";

// The band a score lies in; nullptr below the first edge.
constexpr const ScoreBand* bandOf(std::int32_t score) {
    const ScoreBand* found = nullptr;
    for (const ScoreBand& b : scoreBands)
        if (score > b.above) found = &b;
    return found;
}

}  // namespace rules
