#include "Limiter.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mm {

Limiter::Limiter(int sampleRate) : release_(std::exp(-1.0 / (0.05 * sampleRate))) {}

void Limiter::process(std::int16_t* stereo, int frames) {
    for (int i = 0; i < frames; ++i) {
        std::int16_t* frame = stereo + 2 * i;
        // At rest (the gain fully recovered) a sample that fits is only doubled.
        if (gain_ == 1.0) {
            const int l = 2 * frame[0], r = 2 * frame[1];
            if (std::max(std::abs(l), std::abs(r)) <= kCeiling) {
                frame[0] = static_cast<std::int16_t>(l);
                frame[1] = static_cast<std::int16_t>(r);
                continue;
            }
        }
        const double left = 2.0 * frame[0];
        const double right = 2.0 * frame[1];
        const double peak = std::max(std::fabs(left), std::fabs(right));
        // Recover towards unity, but never above what this sample allows.
        gain_ = 1.0 - (1.0 - gain_) * release_;
        if (peak * gain_ > kCeiling) gain_ = kCeiling / peak;
        frame[0] = static_cast<std::int16_t>(std::lround(left * gain_));
        frame[1] = static_cast<std::int16_t>(std::lround(right * gain_));
    }
}

namespace {

// The mixer, its music hook and its effects are process-wide; so is this.
struct LimitedMix {
    void (*music)(void*, std::uint8_t*, int) = nullptr;
    void* arg = nullptr;
    Limiter limiter{44100};
} g_mix;

void SDLCALL halfMusic(void*, Uint8* stream, int len) {
    g_mix.music(g_mix.arg, stream, len);
    auto* samples = reinterpret_cast<std::int16_t*>(stream);
    for (int i = 0; i < len / 2; ++i) samples[i] = static_cast<std::int16_t>(samples[i] / 2);
}

void SDLCALL limit(int, void* stream, int len, void*) {
    g_mix.limiter.process(static_cast<std::int16_t*>(stream), len / 4);
}

}  // namespace

void hookLimitedMix(void (*music)(void*, std::uint8_t*, int), void* arg) {
    int rate = 44100;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    Mix_HookMusic(nullptr, nullptr);  // no callback runs while the state changes
    g_mix.music = music;
    g_mix.arg = arg;
    g_mix.limiter = Limiter(rate);
    Mix_Volume(-1, MIX_MAX_VOLUME / 2);
    Mix_UnregisterEffect(MIX_CHANNEL_POST, &limit);
    Mix_RegisterEffect(MIX_CHANNEL_POST, &limit, nullptr, nullptr);
    Mix_HookMusic(&halfMusic, nullptr);
}

}  // namespace mm
