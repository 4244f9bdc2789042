#pragma once

#include <cstdint>

namespace mm {

// An effect over a loud bar of music passes full scale, and a 16-bit sum
// clamped there is squared off. So the effect is added to the music in 32
// bits and this limiter brings the sum under the ceiling: where a peak would
// pass it, it turns the gain down at once, on that very sample (there is no
// look-ahead: the sound must not come later), and brings it back smoothly
// over about 50 ms, so no sample reaches full scale and a loud moment is only
// made a little quieter for a moment, never squared off.
class Limiter {
public:
    // Just under full scale: -0.45 dBFS.
    static constexpr int kCeiling = 31130;

    explicit Limiter(int sampleRate);

    // Adds effectFrames frames of effect (may be none) to the first frames of
    // music, interleaved 16-bit stereo, limited, in place. With no effect and
    // the gain at rest, music under the ceiling is only read.
    void mix(std::int16_t* music, const std::int16_t* effect, int effectFrames, int frames);

private:
    double gain_ = 1.0;
    double release_;
};

}  // namespace mm
