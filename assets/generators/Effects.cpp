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
        const double f =
            2.0 * std::sin(std::numbers::pi * std::min(centre, sampleRate / 6.0) / sampleRate);
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
void finish(std::vector<double>& s, double fadeIn, double fadeOut, double peak,
            std::vector<float>& out) {
    const auto in = static_cast<std::size_t>(fadeIn * sampleRate);
    const auto outLen = static_cast<std::size_t>(fadeOut * sampleRate);
    for (std::size_t i = 0; i < in && i < s.size(); ++i)
        s[i] *= std::sin(0.5 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(in));
    for (std::size_t i = 0; i < outLen && i < s.size(); ++i)
        s[s.size() - 1 - i] *=
            std::sin(0.5 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(outLen));
    double max = 0.0;
    for (double v : s) max = std::max(max, std::fabs(v));
    const double gain = max > 0.0 ? peak / max : 0.0;
    out.resize(s.size());
    std::transform(s.begin(), s.end(), out.begin(),
                   [gain](double v) { return static_cast<float>(v * gain); });
}

}  // namespace

std::vector<float> cut() {
    // Short enough to be over before the next of five cuts a second even
    // with a late hand, and to leave the channel free for a deflect.
    const double length = 0.075;
    const auto n = static_cast<std::size_t>(length * sampleRate);
    std::vector<double> s(n);
    Noise noise(0x5a4e5241u);
    BandPass edge;
    BandPass hiss;
    BandPass fibre;
    double phase = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double w = noise.next();
        // The edge: a bright swish that falls as the blade passes through,
        // over a thin steel ring, so the stroke reads as a blade and not a
        // blow.
        const double edgeCentre = 3600.0 + 4800.0 * std::exp(-t / 0.015);
        double v = 0.65 * std::exp(-t / 0.022) * edge.step(w, edgeCentre, 3.0);
        v += 0.2 * std::exp(-t / 0.008) * hiss.step(w, 9000.0, 1.2);
        v += 0.12 * std::exp(-t / 0.018) *
             (std::sin(twoPi * 3150.0 * t) + 0.8 * std::sin(twoPi * 4730.0 * t + 0.7) +
              0.6 * std::sin(twoPi * 6180.0 * t + 1.9));
        // The body: the blade meeting the target, a thud whose pitch drops
        // as it dies, under a short crunch of torn fibres.
        const double thudFreq = 95.0 + 130.0 * std::exp(-t / 0.010);
        phase += twoPi * thudFreq / sampleRate;
        v += 1.0 * std::exp(-t / 0.020) * std::sin(phase);
        v += 1.1 * std::exp(-t / 0.010) * fibre.step(w, 520.0, 1.4);
        s[i] = v;
    }
    std::vector<float> out;
    finish(s, 0.0005, 0.02, 0.85, out);
    return out;
}

std::vector<float> deflect() {
    // A blade struck aside by steel: heavier and lower than a cut, and long
    // enough to stand out of the music. Two sets of bar partials, one per
    // blade, clash out of tune with each other, and both sag a little in
    // pitch as they ring, which is what makes it sound like a failure
    // rather than a hit. The no-stop rule drops every cut asked for while
    // it sounds, so it ends as soon as it has been heard.
    const double length = 0.17;
    const double drive = 1.3;
    const auto n = static_cast<std::size_t>(length * sampleRate);
    std::vector<double> s(n);
    struct Partial {
        double hz, amplitude, decay;
    };
    // Free-beam ratios 1, 2.76, 5.40, 8.93, each with a beating neighbour.
    const Partial partials[] = {
        {430.0, 1.00, 0.180},  {435.5, 0.50, 0.160},  {1187.0, 0.80, 0.120},
        {1201.0, 0.40, 0.100}, {2322.0, 0.65, 0.060}, {3840.0, 0.40, 0.030},
        {620.0, 0.70, 0.130},  {1711.0, 0.50, 0.080}, {3348.0, 0.40, 0.035},
    };
    std::vector<double> phases(std::size(partials), 0.0);
    Noise noise(0x48414a49u);
    BandPass strike;
    BandPass scrape;
    double knock = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double sag = 1.0 - 0.035 * (1.0 - std::exp(-t / 0.06));
        double v = 0.0;
        for (std::size_t k = 0; k < std::size(partials); ++k) {
            phases[k] += twoPi * partials[k].hz * sag / sampleRate;
            const double ring = std::sin(phases[k] + static_cast<double>(k));
            v += partials[k].amplitude * std::exp(-t / partials[k].decay) * ring;
        }
        const double w = noise.next();
        // The strike: a few milliseconds of bright noise, the heavy knock
        // of the two blades' bodies, and the edges grating apart.
        v += 1.2 * std::exp(-t / 0.003) * strike.step(w, 5200.0, 1.5);
        knock += twoPi * (120.0 + 110.0 * std::exp(-t / 0.012)) / sampleRate;
        v += 1.1 * std::exp(-t / 0.030) * std::sin(knock);
        v += 0.5 * std::exp(-t / 0.040) * scrape.step(w, 2400.0, 4.0);
        s[i] = v;
    }
    // Driven into a soft clip, as struck steel is dense rather than peaky:
    // louder for the same peak.
    const double max = std::fabs(*std::max_element(
        s.begin(), s.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
    for (double& v : s) v = std::tanh(drive * v / max);
    std::vector<float> out;
    finish(s, 0.0005, 0.04, 0.9, out);
    return out;
}

}  // namespace effects
