#pragma once

#include <vector>

// Sound effects synthesised from scratch at 44.1 kHz, peak-normalised with
// headroom and faded at both ends so they start and stop without a click.
namespace effects {

inline constexpr int sampleRate = 44100;

// A blade cutting through a target: the thud and crunch of the impact under
// the hiss and ring of the edge, loudest at once. 90 ms.
std::vector<float> cut();

// A blade knocked aside by steel: a sharp strike, then inharmonic partials
// that die away fast. 0.15 s.
std::vector<float> deflect();

}  // namespace effects
