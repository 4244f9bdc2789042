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
    explicit Noise(std::uint64_t seed) : state_(seed) {}
    double next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) / static_cast<double>(1ull << 52) - 1.0;
    }

private:
    std::uint64_t state_;
};

// Chamberlin state-variable filter; the band-pass output can follow a moving
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

// The no-stop rule drops every effect asked for while one sounds, so an
// effect's length is the time it shuts the next one out: only the audible
// part is kept, with a quick fade so the end does not click.
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
    const double length = 0.09;
    const auto n = static_cast<std::size_t>(length * sampleRate);
    std::vector<double> s(n);
    Noise noise(0x5a4e5241u);
    BandPass edge;
    BandPass fibre;
    double phase = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double w = noise.next();
        // The edge: a hiss that falls from very bright to bright as the blade
        // leaves the target, gone within a few tens of milliseconds.
        const double edgeCentre = 3200.0 + 4300.0 * std::exp(-t / 0.012);
        double v = 0.75 * std::exp(-t / 0.016) * edge.step(w, edgeCentre, 2.5);
        // The body: the blade meeting the target, a thud whose pitch drops
        // as it dies, under a short crunch of torn fibres.
        const double thudFreq = 95.0 + 130.0 * std::exp(-t / 0.010);
        phase += twoPi * thudFreq / sampleRate;
        v += 0.9 * std::exp(-t / 0.022) * std::sin(phase);
        v += 1.1 * std::exp(-t / 0.011) * fibre.step(w, 520.0, 1.4);
        // The ring of the steel as it clears: high, short, slightly detuned.
        v += 0.12 * std::exp(-t / 0.010) * (std::sin(twoPi * 6100.0 * t) + 0.7 * std::sin(twoPi * 8230.0 * t + 0.4));
        s[i] = v;
    }
    std::vector<float> out;
    finish(s, 0.0005, 0.02, 0.85, out);
    return out;
}

std::vector<float> deflect() {
    // Within five of the mixer's 512-frame periods, the shortest stretch
    // over which the ring still reads as steel.
    const double length = 0.058;
    const auto n = static_cast<std::size_t>(length * sampleRate);
    std::vector<double> s(n);
    // Partials of a struck steel bar (ratios of a free beam) with slightly
    // mistuned neighbours that beat against them, each dying at its own
    // rate: high ones first. A life is lost just before the cut that would
    // have saved the target, and a cut asked for while the deflect still
    // sounds is dropped: every millisecond of ring costs cuts.
    struct Partial {
        double ratio, amplitude, decay;
    };
    const Partial partials[] = {
        {1.000, 1.00, 0.027}, {1.013, 0.60, 0.025}, {2.756, 0.80, 0.020}, {2.779, 0.35, 0.018},
        {5.404, 0.55, 0.013}, {6.263, 0.25, 0.010}, {8.933, 0.30, 0.007}, {11.82, 0.15, 0.005},
    };
    const double base = 1180.0;
    Noise noise(0x48414a49u);
    BandPass strike;
    BandPass clank;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        double v = 0.0;
        for (const auto& p : partials)
            v += p.amplitude * std::exp(-t / p.decay) * std::sin(twoPi * base * p.ratio * t + p.ratio);
        const double w = noise.next();
        // The strike itself: a couple of milliseconds of bright noise, and
        // the duller knock of the two blades' bodies.
        v += 0.7 * std::exp(-t / 0.002) * strike.step(w, 6000.0, 1.5);
        v += 0.5 * std::exp(-t / 0.008) * clank.step(w, 650.0, 3.0);
        s[i] = v;
    }
    std::vector<float> out;
    finish(s, 0.0005, 0.02, 0.9, out);
    return out;
}

}  // namespace effects
