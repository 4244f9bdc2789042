#pragma once

// Every number that sets how fast the targets come, in one place: the levels
// the level dialog offers, the pushes and the timers that move the targets,
// and where they start and fail. The score bands' speed-up is in
// ScoreBands.h.

#include <array>
#include <cstdint>

namespace pace {

// Where the five targets start and return to, in twips from the top of the
// client area, and the red line: a target whose top lies below it has passed.
inline constexpr float homeTop = 1800.0F;
inline constexpr float limitTop = 2880.0F;

// The sinking timer asks for 1 ms; the window timer never ticks faster than
// every 10 ms (kit::WindowTimer::minimumIntervalMs), so a target sinks its
// step 100 times a second. The push timer pushes one target a second.
inline constexpr int sinkIntervalMs = 1;
inline constexpr int pushIntervalMs = 1000;

// A level: the descent in twips per sinking tick, and the factor of the
// characters' bonus.
struct Level {
    std::int16_t step;
    std::int16_t number;
};
inline constexpr Level hiSpec{1, 1};
inline constexpr Level easy{5, 1};
inline constexpr Level normal{10, 2};
inline constexpr Level hard{20, 3};
inline constexpr Level startLevel = normal;

// How far a push sends each target, Image1 to Image5, in twips.
inline constexpr std::array<float, 5> pushTwips{50.0F, 100.0F, 150.0F, 100.0F, 150.0F};

}  // namespace pace
