#include "Random.h"

namespace {
constexpr std::uint64_t multiplier = 6364136223846793005ULL;
constexpr std::uint64_t increment = 1442695040888963407ULL;
constexpr std::uint64_t startState = 0x5A4E524149ULL;  // fixed for every run
}  // namespace

Random::Random() : state_(startState) {}

std::uint32_t Random::nextBits() {
    const std::uint64_t old = state_;
    state_ = old * multiplier + increment;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
    const auto rotation = static_cast<std::uint32_t>(old >> 59U);
    return (xorshifted >> rotation) | (xorshifted << ((32U - rotation) & 31U));
}

double Random::next() { return static_cast<double>(nextBits() >> 8U) / 16777216.0; }
