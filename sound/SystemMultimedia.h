#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "MultimediaService.h"

namespace mm {

// What the audio device actually gave us.
struct AudioFormat {
    int frequency = 0;     // Hz
    int channels = 0;
    int bufferFrames = 0;  // frames per audio callback, 0 until the first one ran
};

// The service on real hardware: SDL_mixer plays effects on one channel while
// fluidsynth renders the sequencer into the mixer's music stream.
//
// Only one may be live at a time in a process, since the mixer is global; a
// second one behaves as if there were no sound device. Without a device or a
// soundfont every command fails harmlessly and one line goes to stderr.
class SystemMultimedia final : public MultimediaService {
public:
    SystemMultimedia();
    ~SystemMultimedia() override;
    SystemMultimedia(const SystemMultimedia&) = delete;
    SystemMultimedia& operator=(const SystemMultimedia&) = delete;

    std::uint32_t sendString(std::string_view command) override;
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override;

    bool audioAvailable() const;
    // Blocks until the soundfont has loaded or failed to; true when loaded.
    bool waitForSoundfont();
    AudioFormat audioFormat() const;
    // Decodes an effect before its first request.
    bool preloadSound(std::string_view fileName);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

std::unique_ptr<MultimediaService> makeSystemMultimedia();

}  // namespace mm
