#pragma once

#include <cstdint>
#include <vector>

namespace wav {

// Mono 16-bit PCM in a RIFF container. Samples are in [-1, 1]; anything
// beyond is a bug in the synthesis, so it throws rather than clip.
std::vector<std::uint8_t> encode(const std::vector<float>& samples, int sampleRate);

}  // namespace wav
