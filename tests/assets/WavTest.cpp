#include "DataFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    return v;
}

Wave parse(const std::vector<std::uint8_t>& b) {
    Wave w;
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" || std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return w;
    bool riffSizeOk = le(b, 4, 4) == b.size() - 8;
    bool dataOk = false;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::string id(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
        const std::uint32_t len = le(b, at + 4, 4);
        const std::size_t body = at + 8;
        if (body + len > b.size())
            return w;
        if (id == "fmt ") {
            w.format = static_cast<int>(le(b, body, 2));
            w.channels = static_cast<int>(le(b, body + 2, 2));
            w.rate = static_cast<int>(le(b, body + 4, 4));
            w.byteRate = static_cast<int>(le(b, body + 8, 4));
            w.blockAlign = static_cast<int>(le(b, body + 12, 2));
            w.bits = static_cast<int>(le(b, body + 14, 2));
        } else if (id == "data" && w.bits == 16 && w.channels > 0) {
            dataOk = len % static_cast<std::uint32_t>(w.blockAlign) == 0;
            for (std::size_t i = body; i + 1 < body + len; i += static_cast<std::size_t>(w.blockAlign))
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

struct Effect {
    const char* file;
    double minSeconds, maxSeconds;
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

TEST_P(Effects, LastsAsLongAsTheActionDoes) {
    const Wave w = parse(readDataFile(GetParam().file));
    ASSERT_GT(w.rate, 0);
    const double seconds = static_cast<double>(w.samples.size()) / w.rate;
    EXPECT_GE(seconds, GetParam().minSeconds);
    EXPECT_LE(seconds, GetParam().maxSeconds);
}

TEST_P(Effects, IsLoudButNeverClips) {
    const Wave w = parse(readDataFile(GetParam().file));
    ASSERT_FALSE(w.samples.empty());
    int peak = 0;
    for (int s : w.samples)
        peak = std::max(peak, std::abs(s));
    EXPECT_LT(peak, 32767 * 95 / 100);
    EXPECT_GT(peak, 32767 / 2);
}

TEST_P(Effects, StartsAndEndsAtSilence) {
    const Wave w = parse(readDataFile(GetParam().file));
    ASSERT_GT(w.samples.size(), 100u);
    EXPECT_LE(std::abs(w.samples.front()), 300);
    EXPECT_LE(std::abs(w.samples.back()), 300);
}

INSTANTIATE_TEST_SUITE_P(Assets, Effects,
                         testing::Values(Effect{"kiru.dat", 0.2, 0.35}, Effect{"hajiku.dat", 0.3, 0.6}),
                         [](const testing::TestParamInfo<Effect>& info) {
                             return std::string(info.param.file).substr(0, std::string(info.param.file).find('.'));
                         });

// A swoosh swells to the cut and falls away; a clang is loudest at the strike.
TEST(Effects, CutSwellsAndDeflectRingsDown) {
    const Wave cut = parse(readDataFile("kiru.dat"));
    const Wave clang = parse(readDataFile("hajiku.dat"));
    ASSERT_GT(cut.samples.size(), 44100u / 5);
    ASSERT_GT(clang.samples.size(), 44100u / 4);
    const std::size_t win = 441;  // 10 ms
    std::size_t loudest = 0;
    double best = 0;
    for (std::size_t at = 0; at + win <= cut.samples.size(); at += win)
        if (const double r = rms(cut.samples, at, win); r > best) {
            best = r;
            loudest = at;
        }
    EXPECT_GT(loudest, cut.samples.size() / 5);
    EXPECT_LT(loudest, cut.samples.size() * 4 / 5);
    EXPECT_GT(rms(clang.samples, 0, 2205), 4 * rms(clang.samples, clang.samples.size() - 2205, 2205));
}

}  // namespace
