#pragma once

#include <vector>

// Sound effects synthesised from scratch at 44.1 kHz, peak-normalised with
// headroom and faded at both ends so they start and stop without a click.
namespace effects {

inline constexpr int sampleRate = 44100;

// A blade cutting the air: a rising then falling band of noise with a bright
// ring at its peak. About 0.28 s.
std::vector<float> cut();

// A blade turned aside by steel: inharmonic partials ringing down after a
// sharp strike. About 0.5 s.
std::vector<float> deflect();

}  // namespace effects
