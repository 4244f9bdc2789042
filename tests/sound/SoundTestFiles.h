#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace soundtest {

// A private folder under the system temp dir, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zanrai-sound-XXXXXX");
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes bytes to a path relative to the folder, creating sub-folders.
    std::string write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const {
        const std::filesystem::path p = std::filesystem::path(path_) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    std::string path() const { return path_; }

private:
    std::string path_;
};

// A format-0 file at 96 ticks per quarter and the default 120 bpm (one tick is
// about 5.2 ms) holding one note for holdTicks, by default on an organ: an
// organ keeps sounding at full strength, so silence after a stop is the
// stop's doing.
inline std::vector<std::uint8_t> heldNoteMidi(std::uint32_t holdTicks, std::uint8_t program = 19) {
    std::vector<std::uint8_t> track = {0x00, 0xC0, program, 0x00, 0x90, 60, 100};
    // Delta time as a variable-length quantity, most significant group first.
    int groups = 1;
    while (groups < 4 && (holdTicks >> (7 * groups)) != 0) ++groups;
    for (int g = groups - 1; g >= 0; --g) {
        const auto bits = static_cast<std::uint8_t>((holdTicks >> (7 * g)) & 0x7F);
        track.push_back(g == 0 ? bits : static_cast<std::uint8_t>(0x80 | bits));
    }
    for (std::uint8_t b : {0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}) track.push_back(b);
    std::vector<std::uint8_t> smf = {
        'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
        1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(track.size())};
    for (std::uint8_t b : track) smf.push_back(b);
    return smf;
}

// A mono 16-bit PCM WAV of a square wave lasting ms milliseconds.
inline std::vector<std::uint8_t> squareWav(std::uint32_t ms, std::uint32_t rate = 22050) {
    const std::uint32_t samples = rate * ms / 1000;
    const std::uint32_t dataBytes = samples * 2;
    std::vector<std::uint8_t> w;
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<std::uint8_t>(t[i]));
    };
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        w.push_back(static_cast<std::uint8_t>(v));
        w.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    tag("RIFF"), u32(36 + dataBytes), tag("WAVE"), tag("fmt "), u32(16), u16(1), u16(1);
    u32(rate), u32(rate * 2), u16(2), u16(16), tag("data"), u32(dataBytes);
    for (std::uint32_t i = 0; i < samples; ++i) u16((i / 50) % 2 ? 0x2000 : 0xE000);
    return w;
}

}  // namespace soundtest
