#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace mm {

// Flags of a waveform request, with the values of the platform we stand in for.
inline constexpr std::uint32_t SND_ASYNC = 0x0001;  // never wait for the sound to end
inline constexpr std::uint32_t SND_NODEFAULT =
    0x0002;  // a missing file is silence, not a default sound
inline constexpr std::uint32_t SND_NOSTOP =
    0x0010;  // drop the request while an effect still sounds

// The multimedia service the game talks to: a sequencer driven by command
// strings, and a player of waveform files. It knows nothing of the game.
class MultimediaService {
public:
    virtual ~MultimediaService() = default;

    // Runs one sequencer command ("open <path> type sequencer alias <name>",
    // "play <name>", "stop <name>", "close <name>"). Returns 0 on success and a
    // non-zero error code otherwise; never throws.
    virtual std::uint32_t sendString(std::string_view command) = 0;

    // Plays a waveform file with the given flags. Returns non-zero when the
    // sound was started, 0 otherwise; never throws.
    virtual std::int32_t playSound(std::string_view fileName, std::uint32_t flags) = 0;
};

}  // namespace mm
