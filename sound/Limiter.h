#pragma once

#include <cstdint>

namespace mm {

// The mixer adds an effect to the music in 16 bits and clips whatever passes
// full scale, which a cut over a loud bar of music does several times a
// minute. So the music and the effects are both mixed at half level, six
// decibels under full scale where their sum cannot clip, and this limiter
// brings the sum back to full level. Where a peak would pass the ceiling it
// turns the gain down at once, on that very sample (there is no look-ahead:
// the sound must not come later), and brings it back smoothly over about
// 50 ms, so no sample reaches full scale and a loud moment is only made a
// little quieter for a moment, never squared off.
class Limiter {
public:
    // Just under full scale: -0.45 dBFS.
    static constexpr int kCeiling = 31130;

    explicit Limiter(int sampleRate);

    // Interleaved 16-bit stereo at half level in, full level out, in place.
    void process(std::int16_t* stereo, int frames);

private:
    double gain_ = 1.0;
    double release_;
};

// Installs the music hook of the open mixer together with the headroom and
// the limiter: the music the hook renders and the effect channels are taken
// to half level, and the limiter runs on the sum once every channel is in.
// Closing the mixer or unhooking the music removes all of it.
void hookLimitedMix(void (*music)(void*, std::uint8_t*, int), void* arg);

}  // namespace mm
