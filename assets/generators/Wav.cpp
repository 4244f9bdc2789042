#include "Wav.h"

#include <cmath>
#include <stdexcept>

namespace wav {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void tag(std::vector<std::uint8_t>& out, const char (&t)[5]) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(t[i]));
}

}  // namespace

std::vector<std::uint8_t> encode(const std::vector<float>& samples, int sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    tag(out, "RIFF");
    put32(out, 36 + dataBytes);
    tag(out, "WAVE");
    tag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, static_cast<std::uint32_t>(sampleRate));
    put32(out, static_cast<std::uint32_t>(sampleRate) * 2);
    put16(out, 2);   // block align
    put16(out, 16);  // bits per sample
    tag(out, "data");
    put32(out, dataBytes);
    for (float s : samples) {
        if (!(std::fabs(s) <= 1.0f)) throw std::range_error("sample outside [-1, 1]");
        put16(out,
              static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s * 32767.0f))));
    }
    return out;
}

}  // namespace wav
