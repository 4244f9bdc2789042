#include "Effects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace effects {
namespace {

constexpr double twoPi = 2.0 * std::numbers::pi;

// Deterministic white noise in [-1, 1], so every build writes the same file.
class Noise {
public:
    double next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) / static_cast<double>(1ull << 52) - 1.0;
    }

private:
    std::uint64_t state_ = 0x5a4e5241u;
};

// Chamberlin state-variable filter; the band-pass output follows a moving
// centre frequency, which is what makes noise sound like a sweep.
class BandPass {
public:
    double step(double in, double centre, double q) {
        const double f = 2.0 * std::sin(std::numbers::pi * std::min(centre, sampleRate / 6.0) / sampleRate);
        low_ += f * band_;
        const double high = in - low_ - band_ / q;
        band_ += f * high;
        return band_;
    }

private:
    double low_ = 0.0;
    double band_ = 0.0;
};

void finish(std::vector<double>& s, double fadeIn, double fadeOut, double peak, std::vector<float>& out) {
    const auto in = static_cast<std::size_t>(fadeIn * sampleRate);
    const auto outLen = static_cast<std::size_t>(fadeOut * sampleRate);
    for (std::size_t i = 0; i < in && i < s.size(); ++i)
        s[i] *= std::sin(0.5 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(in));
    for (std::size_t i = 0; i < outLen && i < s.size(); ++i)
        s[s.size() - 1 - i] *= std::sin(0.5 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(outLen));
    double max = 0.0;
    for (double v : s)
        max = std::max(max, std::fabs(v));
    const double gain = max > 0.0 ? peak / max : 0.0;
    out.resize(s.size());
    std::transform(s.begin(), s.end(), out.begin(), [gain](double v) { return static_cast<float>(v * gain); });
}

}  // namespace

std::vector<float> cut() {
    const double length = 0.28;
    const double peakTime = 0.13;
    const auto n = static_cast<std::size_t>(length * sampleRate);
    std::vector<double> s(n);
    Noise noise;
    BandPass sweep;
    BandPass body;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        // The blade comes toward the ear and passes: the band rises to its
        // top at the moment of the cut and falls away behind it.
        const double centre = t < peakTime ? 700.0 * std::pow(6500.0 / 700.0, t / peakTime)
                                           : 6500.0 * std::pow(2200.0 / 6500.0, (t - peakTime) / (length - peakTime));
        const double swell = t < peakTime ? std::pow(t / peakTime, 2.2) : std::exp(-(t - peakTime) / 0.035);
        const double w = noise.next();
        double v = 0.9 * sweep.step(w, centre, 3.5) + 0.35 * body.step(w, centre * 0.5, 1.2);
        v *= swell;
        // The ring of the edge: a short, high, slightly detuned pair.
        if (t >= peakTime) {
            const double d = t - peakTime;
            const double ring = std::exp(-d / 0.022);
            v += 0.5 * ring * (std::sin(twoPi * 7300.0 * d) + 0.7 * std::sin(twoPi * 9650.0 * d + 0.4));
        }
        s[i] = v;
    }
    std::vector<float> out;
    finish(s, 0.004, 0.02, 0.85, out);
    return out;
}

std::vector<float> deflect() {
    const double length = 0.5;
    const auto n = static_cast<std::size_t>(length * sampleRate);
    std::vector<double> s(n);
    // Partials of a struck steel bar (ratios of a free beam and their
    // neighbours), each dying at its own rate: high ones first.
    struct Partial {
        double ratio, amplitude, decay;
    };
    const Partial partials[] = {
        {1.000, 1.00, 0.30}, {1.006, 0.55, 0.28}, {2.756, 0.70, 0.20}, {2.761, 0.30, 0.19},
        {5.404, 0.45, 0.11}, {6.120, 0.20, 0.09}, {8.933, 0.25, 0.06}, {13.34, 0.12, 0.035},
    };
    const double base = 820.0;
    Noise noise;
    BandPass strike;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        double v = 0.0;
        for (const auto& p : partials)
            v += p.amplitude * std::exp(-t / p.decay) * std::sin(twoPi * base * p.ratio * t + p.ratio);
        // The strike itself: a few milliseconds of bright noise.
        v += 1.4 * std::exp(-t / 0.004) * strike.step(noise.next(), 5000.0, 1.5);
        s[i] = v;
    }
    std::vector<float> out;
    finish(s, 0.0015, 0.05, 0.85, out);
    return out;
}

}  // namespace effects
