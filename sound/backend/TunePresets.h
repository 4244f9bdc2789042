#pragma once

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace mm {

// The instruments a standard MIDI file selects, as (bank, program) pairs in
// the synthesizer's default bank-select style: CC 0 picks the bank of a
// melodic channel, and channel 10 plays from the percussion bank 128. Read
// from every program change of every track, so an instrument the tune changes
// to half-way is found too. A channel that plays notes without any program
// change plays the default instrument (program 0, or the standard drum kit on
// channel 10): that is in the set too, and its bit in defaultChannels.
// Damaged tracks are read up to the damage.
std::set<std::pair<int, int>> tunePresets(const std::vector<std::uint8_t>& smf,
                                          std::uint16_t* defaultChannels = nullptr);

}  // namespace mm
