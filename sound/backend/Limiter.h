#pragma once

#include <algorithm>
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
    static constexpr int ceilingSample = 31130;

    explicit Limiter(int sampleRate);

    // Adds effectFrames frames of effect (may be none) to the first frames of
    // music, interleaved 16-bit stereo, limited, in place. With no effect and
    // the gain at rest, music under the ceiling is only read.
    void mix(std::int16_t* music, const std::int16_t* effect, int effectFrames, int frames);

    // Whether the gain has fully recovered: with no effect and music under
    // the ceiling, mix() would then leave the music as it is.
    bool atRest() const { return gain_ == 1.0; }

    // Whether any of Samples samples passes the ceiling. The count is known
    // to the compiler, so the scan is vectorised even at -O2.
    template <int Samples>
    static bool passesCeiling(const std::int16_t* samples) {
        std::int16_t highest = 0;
        std::int16_t lowest = 0;
        for (int i = 0; i < Samples; ++i) {
            highest = std::max(highest, samples[i]);
            lowest = std::min(lowest, samples[i]);
        }
        return highest > ceilingSample || lowest < -ceilingSample;
    }

private:
    double gain_ = 1.0;
    double release_;
};

}  // namespace mm
