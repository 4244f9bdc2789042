#pragma once

// The score bands that speed a game up, each described once: where it
// begins, the level it shows, how much faster the targets sink in it and
// what the message line says there.

#include <array>
#include <cstdint>

#include "Pace.h"

namespace rules {

// A band holds the scores above its edge up to the next band's edge; below
// the first edge nothing changes, and the level display keeps the text a
// Reset gave it.
struct ScoreBand {
    std::int32_t above;
    const char* levelText;
    // Added to the level's own step: "For Hi Spec" machines are slow and are
    // spared the big steps.
    std::int16_t hiSpecIncrement;
    std::int16_t increment;
    // The message line, in the normal and in the special mode.
    const char* message;
    const char* specialMessage;
};
inline constexpr std::array<ScoreBand, 3> scoreBands{{
    {50, "2", 5, 10, "斬れ斬れ斬れぇーい！", "身ね打ち厳禁!!!"},
    {100, "3", 5, 20, "真中のお前！減俸!!!", "弥七やっぱ風車自前？"},
    {200, "Max!!!", 10, 20, "そろそろ指つった？", "何！印篭落とした！？"},
}};
inline constexpr char firstLevelText[] = "1";

// The band a score lies in; nullptr below the first edge.
constexpr const ScoreBand* bandOf(std::int32_t score) {
    const ScoreBand* found = nullptr;
    for (const ScoreBand& b : scoreBands)
        if (score > b.above) found = &b;
    return found;
}

// The descent step in a band, from the level's own step: so a later cut in
// the same band gives the same step again.
constexpr std::int16_t stepIn(const ScoreBand& band, std::int16_t levelStep) {
    const std::int16_t increment =
        levelStep == pace::hiSpec.step ? band.hiSpecIncrement : band.increment;
    return static_cast<std::int16_t>(levelStep + increment);
}

constexpr const char* messageIn(const ScoreBand& band, bool specialMode) {
    return specialMode ? band.specialMessage : band.message;
}

}  // namespace rules
