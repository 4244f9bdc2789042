#include "WavHeader.h"

#include <cstring>

namespace mm {
namespace {

constexpr std::uint16_t pcmFormat = 1;
constexpr std::uint32_t minRate = 8000;
constexpr std::uint32_t maxRate = 96000;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

bool tagIs(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

WavProblem checkFormat(const std::uint8_t* body, std::uint32_t length, WavFormat& f) {
    if (length < 16) return WavProblem::NoFormat;
    if (le16(body) != pcmFormat) return WavProblem::NotPcm;
    f.channels = le16(body + 2);
    f.sampleRate = le32(body + 4);
    const std::uint32_t byteRate = le32(body + 8);
    const std::uint16_t blockAlign = le16(body + 12);
    f.bitsPerSample = le16(body + 14);
    if (f.channels != 1 && f.channels != 2) return WavProblem::BadChannels;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return WavProblem::BadBits;
    if (f.sampleRate < minRate || f.sampleRate > maxRate) return WavProblem::BadRate;
    const auto frameBytes = static_cast<std::uint32_t>(f.channels * f.bitsPerSample / 8);
    if (blockAlign != frameBytes || byteRate != f.sampleRate * frameBytes)
        return WavProblem::InconsistentFormat;
    return WavProblem::None;
}

}  // namespace

WavProblem checkWavHeader(const std::uint8_t* bytes, std::size_t size, WavFormat* out) {
    if (bytes == nullptr || size < 12 || !tagIs(bytes, "RIFF") || !tagIs(bytes + 8, "WAVE"))
        return WavProblem::NotRiffWave;
    WavFormat f;
    bool haveFormat = false;
    // Chunks are walked in 64-bit arithmetic, so no claimed size can wrap.
    std::uint64_t at = 12;
    while (at + 8 <= size) {
        const std::uint8_t* chunk = bytes + at;
        const std::uint32_t length = le32(chunk + 4);
        const std::uint64_t body = at + 8;
        if (tagIs(chunk, "data")) {
            if (!haveFormat) return WavProblem::NoFormat;
            if (body + length > size) return WavProblem::DataPastEnd;
            const auto frameBytes = static_cast<std::size_t>(f.channels * f.bitsPerSample / 8);
            f.dataOffset = static_cast<std::size_t>(body);
            f.dataBytes = length - length % frameBytes;
            if (f.dataBytes == 0) return WavProblem::NoData;
            if (out != nullptr) *out = f;
            return WavProblem::None;
        }
        if (body + length > size) return WavProblem::BadChunk;
        if (tagIs(chunk, "fmt ")) {
            // A second format chunk would leave it open which one a decoder
            // believes.
            if (haveFormat) return WavProblem::InconsistentFormat;
            const WavProblem p = checkFormat(chunk + 8, length, f);
            if (p != WavProblem::None) return p;
            haveFormat = true;
        }
        at = body + length + (length & 1u);  // chunks are padded to even sizes
    }
    return haveFormat ? WavProblem::NoData : WavProblem::NoFormat;
}

const char* describe(WavProblem problem) {
    switch (problem) {
        case WavProblem::None: return "ok";
        case WavProblem::NotRiffWave: return "not a WAV file";
        case WavProblem::BadChunk: return "WAV chunk runs past the end of the file";
        case WavProblem::NoFormat: return "WAV file without a format";
        case WavProblem::NotPcm: return "WAV file is not plain PCM";
        case WavProblem::BadChannels: return "WAV file has neither 1 nor 2 channels";
        case WavProblem::BadBits: return "WAV file has neither 8 nor 16 bits per sample";
        case WavProblem::BadRate: return "WAV sample rate outside 8000-96000 Hz";
        case WavProblem::InconsistentFormat: return "WAV format does not add up";
        case WavProblem::NoData: return "WAV file without samples";
        case WavProblem::DataPastEnd: return "WAV samples run past the end of the file";
    }
    return "not a WAV file";
}

}  // namespace mm
