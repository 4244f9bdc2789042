#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "DataFile.h"

namespace mm {

// A decoded sound, ready to hand to the output.
class DecodedClip {
public:
    virtual ~DecodedClip() = default;
};

// The one effect channel the waveform player drives. Split out so the request
// policy can be tested without a sound card or a clock.
class EffectOutput {
public:
    virtual ~EffectOutput() = default;
    // Decodes a whole file whose bytes were read and checked already, so a
    // file is read once; nullptr when the decoder refuses them.
    virtual std::unique_ptr<DecodedClip> decode(const std::string& path,
                                                const std::vector<std::uint8_t>& wav) = 0;
    // Plays the clip, cutting off whatever the channel was playing.
    virtual bool play(const DecodedClip& clip) = 0;
    virtual bool sounding() const = 0;
    virtual void halt() = 0;
    // Blocks until the channel falls silent.
    virtual void waitUntilSilent() = 0;
};

// Plays waveform files with the flag rules of the service interface. Each file
// is decoded once and kept, so repeated requests cost a lookup. A file that
// cannot be played (missing, not a regular file, too large, a header outside
// what the game plays, refused by the decoder) is remembered with its stamp
// and costs only a stat until it changes.
class WavePlayer {
public:
    // No effect comes near this; a larger file is refused unread.
    static constexpr std::size_t maxEffectBytes = std::size_t{4} * 1024 * 1024;

    explicit WavePlayer(EffectOutput& output) : output_(output) {}

    // Non-zero when the sound was started. An empty name stops the effect.
    std::int32_t play(std::string_view fileName, std::uint32_t flags);

    // Decodes a file ahead of its first request; false if it cannot be read.
    bool preload(std::string_view fileName);
    // Reads and checks a file without decoding it, for an answer before the
    // output can decode; the bytes are kept, so the file is read once.
    bool check(std::string_view fileName);
    // Frees every decoded clip; must run before the output goes away.
    void clear();

private:
    const DecodedClip* clipFor(const std::string& path);
    const std::vector<std::uint8_t>* checkedBytes(const std::string& path);

    EffectOutput& output_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::unique_ptr<DecodedClip>> cache_;
    std::unordered_map<std::string, FileStamp> failed_;
    std::unordered_map<std::string, std::pair<FileStamp, std::vector<std::uint8_t>>> unread_;
};

}  // namespace mm
