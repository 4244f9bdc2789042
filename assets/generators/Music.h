#pragma once

#include <cstdint>
#include <vector>

// The two pieces of the game as Standard MIDI Files, composed in code.
namespace music {

// A chase in the in (miyako-bushi) scale on D: shamisen, koto, shakuhachi,
// bass, taiko and wood blocks, about 78 seconds.
std::vector<std::uint8_t> chase();

// A slow, grand procession in the yo scale on D for brass, strings, koto,
// shakuhachi, tuba, timpani and taiko, about 100 seconds.
std::vector<std::uint8_t> procession();

}  // namespace music
