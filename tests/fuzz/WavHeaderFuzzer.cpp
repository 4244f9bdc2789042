// libFuzzer target for the effect files' header check. kiru.dat and
// hajiku.dat lie beside the program where anyone with write access can
// replace them, and whatever the check lets through goes to SDL's decoder:
// the check must take any bytes without crashing, and what it accepts must
// hold the promises the decoder relies on.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "WavHeader.h"

namespace {

[[noreturn]] void fail(const char* what, std::size_t size) {
    std::fprintf(stderr, "wav fuzzer: %s (input of %zu bytes)\n", what, size);
    std::abort();
}

#define REQUIRE(cond)                   \
    do {                                \
        if (!(cond)) fail(#cond, size); \
    } while (0)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    mm::WavFormat f;
    const mm::WavProblem verdict = mm::checkWavHeader(data, size, &f);
    REQUIRE(mm::describe(verdict) != nullptr);
    if (verdict != mm::WavProblem::None) return 0;
    REQUIRE(f.channels == 1 || f.channels == 2);
    REQUIRE(f.bitsPerSample == 8 || f.bitsPerSample == 16);
    REQUIRE(f.sampleRate >= 8000 && f.sampleRate <= 96000);
    REQUIRE(f.dataBytes > 0 &&
            f.dataBytes % static_cast<std::size_t>(f.channels * f.bitsPerSample / 8) == 0);
    REQUIRE(f.dataOffset >= 12 + 8 + 16 + 8 && f.dataOffset <= size &&
            f.dataBytes <= size - f.dataOffset);
    // The samples are really there: touching the last byte must be legal.
    volatile std::uint8_t last = data[f.dataOffset + f.dataBytes - 1];
    (void)last;
    return 0;
}
