#pragma once

#include <cstddef>
#include <cstdint>

namespace mm {

// What an effect file says about itself, once its header has been accepted.
struct WavFormat {
    int channels = 0;
    int bitsPerSample = 0;
    std::uint32_t sampleRate = 0;
    std::size_t dataOffset = 0;  // first byte of the samples
    std::size_t dataBytes = 0;   // whole frames only
};

enum class WavProblem {
    None,
    NotRiffWave,         // no "RIFF....WAVE" at the start
    BadChunk,            // a chunk runs past the end of the file
    NoFormat,            // no "fmt " chunk before the samples
    NotPcm,              // compressed, floating point or extensible
    BadChannels,         // other than mono or stereo
    BadBits,             // other than 8 or 16 bits
    BadRate,             // outside 8,000-96,000 Hz
    InconsistentFormat,  // block size or byte rate do not follow from the above
    NoData,              // no "data" chunk, or not one whole frame in it
    DataPastEnd,         // the samples claim more bytes than the file has
};

// Checks a whole WAV file before a decoder sees it: plain PCM, 1 or 2
// channels, 8 or 16 bits, 8,000 to 96,000 Hz, and a data chunk that lies
// inside the file. Pure: reads nothing but the given bytes.
WavProblem checkWavHeader(const std::uint8_t* bytes, std::size_t size, WavFormat* format = nullptr);

const char* describe(WavProblem problem);

}  // namespace mm
