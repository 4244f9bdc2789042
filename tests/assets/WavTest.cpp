#include "DataFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Wave {
    int format = 0, channels = 0, rate = 0, byteRate = 0, blockAlign = 0, bits = 0;
    std::vector<int> samples;  // first channel
    bool sizesConsistent = false;
};

std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    return v;
}

Wave parse(const std::vector<std::uint8_t>& b) {
    Wave w;
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return w;
    bool riffSizeOk = le(b, 4, 4) == b.size() - 8;
    bool dataOk = false;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::string id(b.begin() + static_cast<long>(at),
                             b.begin() + static_cast<long>(at) + 4);
        const std::uint32_t len = le(b, at + 4, 4);
        const std::size_t body = at + 8;
        if (body + len > b.size()) return w;
        if (id == "fmt ") {
            w.format = static_cast<int>(le(b, body, 2));
            w.channels = static_cast<int>(le(b, body + 2, 2));
            w.rate = static_cast<int>(le(b, body + 4, 4));
            w.byteRate = static_cast<int>(le(b, body + 8, 4));
            w.blockAlign = static_cast<int>(le(b, body + 12, 2));
            w.bits = static_cast<int>(le(b, body + 14, 2));
        } else if (id == "data" && w.bits == 16 && w.channels > 0) {
            dataOk = len % static_cast<std::uint32_t>(w.blockAlign) == 0;
            for (std::size_t i = body; i + 1 < body + len;
                 i += static_cast<std::size_t>(w.blockAlign))
                w.samples.push_back(static_cast<std::int16_t>(le(b, i, 2)));
        }
        at = body + len + (len & 1);
    }
    w.sizesConsistent = riffSizeOk && dataOk;
    return w;
}

double rms(const std::vector<int>& s, std::size_t from, std::size_t count) {
    double sum = 0;
    for (std::size_t i = from; i < from + count && i < s.size(); ++i)
        sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(count));
}

// Share of the clip's energy between two frequencies, from its whole-clip
// spectrum (a plain DFT: the clips are a few thousand samples).
double energyShare(const std::vector<int>& s, int rate, double fromHz, double toHz) {
    const auto n = static_cast<double>(s.size());
    double inBand = 0, total = 0;
    for (std::size_t k = 1; k < s.size() / 2; ++k) {
        const std::complex<double> step = std::polar(1.0, -2 * M_PI * static_cast<double>(k) / n);
        std::complex<double> sum = 0, w = 1;
        for (int v : s) sum += static_cast<double>(v) * w, w *= step;
        const double hz = static_cast<double>(k) * rate / n;
        total += std::norm(sum);
        inBand += hz >= fromHz && hz < toHz ? std::norm(sum) : 0;
    }
    return total > 0 ? inBand / total : 0;
}

// An effect asked for while another sounds is dropped, so a clip's length is
// how long it shuts out the next cut.
struct Effect {
    const char* file;
    double maxSeconds;
};

class Effects : public testing::TestWithParam<Effect> {};

TEST_P(Effects, IsPcm16At44100) {
    const Wave w = parse(readDataFile(GetParam().file));
    EXPECT_TRUE(w.sizesConsistent);
    EXPECT_EQ(w.format, 1);
    EXPECT_TRUE(w.channels == 1 || w.channels == 2);
    EXPECT_EQ(w.rate, 44100);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.blockAlign, w.channels * 2);
    EXPECT_EQ(w.byteRate, w.rate * w.blockAlign);
}

// Heard with the click: loudest within 5 ms of the first sample, and over
// before the next cut of a player cutting five times a second.
TEST_P(Effects, StrikesAtOnceAndEndsInTime) {
    const Wave w = parse(readDataFile(GetParam().file));
    ASSERT_GT(w.rate, 0);
    ASSERT_FALSE(w.samples.empty());
    const double seconds = static_cast<double>(w.samples.size()) / w.rate;
    EXPECT_GE(seconds, 0.05);
    EXPECT_LE(seconds, GetParam().maxSeconds);
    const auto peak = std::max_element(w.samples.begin(), w.samples.end(),
                                       [](int a, int b) { return std::abs(a) < std::abs(b); });
    EXPECT_LE(static_cast<double>(peak - w.samples.begin()) / w.rate, 0.005);
}

TEST_P(Effects, IsLoudButNeverClips) {
    const Wave w = parse(readDataFile(GetParam().file));
    ASSERT_FALSE(w.samples.empty());
    int peak = 0;
    for (int s : w.samples) peak = std::max(peak, std::abs(s));
    EXPECT_LT(peak, 32767 * 95 / 100);
    EXPECT_GT(peak, 32767 / 2);
}

TEST_P(Effects, StartsAndEndsAtSilence) {
    const Wave w = parse(readDataFile(GetParam().file));
    ASSERT_GT(w.samples.size(), 100u);
    EXPECT_LE(std::abs(w.samples.front()), 300);
    EXPECT_LE(std::abs(w.samples.back()), 300);
}

INSTANTIATE_TEST_SUITE_P(
    Assets, Effects, testing::Values(Effect{"kiru.dat", 0.1}, Effect{"hajiku.dat", 0.25}),
    [](const testing::TestParamInfo<Effect>& info) {
        return std::string(info.param.file).substr(0, std::string(info.param.file).find('.'));
    });

// A cut is a blade meeting something: the impact below 1 kHz as well as a
// clear edge above 2 kHz. A deflect is a failure: heavier and lower than a
// cut, yet struck steel with its shimmer above 2 kHz, and still ringing
// 100 ms after the strike rather than a click.
TEST(Effects, CutHasBodyAndEdgeAndDeflectIsLowRingingSteel) {
    const Wave cut = parse(readDataFile("kiru.dat"));
    const Wave clang = parse(readDataFile("hajiku.dat"));
    ASSERT_GT(cut.samples.size(), 2205u);
    ASSERT_GT(clang.samples.size(), 4851u);
    EXPECT_GE(energyShare(cut.samples, cut.rate, 0, 1000), 0.3);
    EXPECT_GE(energyShare(cut.samples, cut.rate, 2000, 22050), 0.3);
    EXPECT_GE(energyShare(clang.samples, clang.rate, 0, 1000), 0.5);
    EXPECT_GE(energyShare(clang.samples, clang.rate, 2000, 22050), 0.05);
    // Less than 15 dB down 100 ms after the strike.
    EXPECT_LT(rms(clang.samples, 0, 441), 5.6 * rms(clang.samples, 4410, 441));
}

}  // namespace
