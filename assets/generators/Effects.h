#pragma once

#include <vector>

// Sound effects synthesised from scratch at 44.1 kHz, peak-normalised with
// headroom and faded at both ends so they start and stop without a click.
namespace effects {

inline constexpr int sampleRate = 44100;

// A blade cutting through a target: the thud and crunch of the impact under
// the bright swish and ring of the edge, loudest at once. 75 ms.
std::vector<float> cut();

// A blade knocked aside by steel, the sound of a lost life: a strike and a
// heavy knock, then two clashing sets of low bar partials that sag in pitch
// as they ring. 170 ms.
std::vector<float> deflect();

}  // namespace effects
