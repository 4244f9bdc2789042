#pragma once

#include <cstdint>

// The game's pseudo-random numbers: a PCG32 generator (O'Neill's XSH RR
// variant) from a fixed state, never reseeded, so every run of the program
// pushes the same targets in the same order on any compiler and library.
class Random {
public:
    Random();

    // The next number, uniform in [0, 1): 24 random bits scaled, exact in
    // single and double precision.
    double next();

private:
    std::uint32_t nextBits();

    std::uint64_t state_;
};
