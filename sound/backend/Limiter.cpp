#include "Limiter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace mm {

Limiter::Limiter(int sampleRate) : release_(std::exp(-1.0 / (0.05 * sampleRate))) {}

void Limiter::mix(std::int16_t* music, const std::int16_t* effect, int effectFrames, int frames) {
    if (effectFrames <= 0 && gain_ == 1.0) {
        // The music alone: the common case, so only a scan the compiler can
        // vectorise.
        bool over = false;
        for (int i = 0; i < 2 * frames; ++i) over |= std::abs(int{music[i]}) > ceilingSample;
        if (!over) return;
    }
    for (int i = 0; i < frames; ++i) {
        std::int16_t* frame = music + std::ptrdiff_t{2} * i;
        const bool withEffect = i < effectFrames;
        const int l = frame[0] + (withEffect ? effect[std::ptrdiff_t{2} * i] : 0);
        const int r = frame[1] + (withEffect ? effect[std::ptrdiff_t{2} * i + 1] : 0);
        // At rest (the gain fully recovered) a sample that fits is only stored.
        if (gain_ == 1.0 && std::max(std::abs(l), std::abs(r)) <= ceilingSample) {
            frame[0] = static_cast<std::int16_t>(l);
            frame[1] = static_cast<std::int16_t>(r);
            continue;
        }
        const double peak = std::max(std::abs(l), std::abs(r));
        // Recover towards unity, but never above what this sample allows.
        gain_ = 1.0 - (1.0 - gain_) * release_;
        if (peak * gain_ > ceilingSample) gain_ = ceilingSample / peak;
        frame[0] = static_cast<std::int16_t>(std::lround(l * gain_));
        frame[1] = static_cast<std::int16_t>(std::lround(r * gain_));
    }
}

}  // namespace mm
