#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "MultimediaService.h"

namespace mm {

// What the audio device gives while it is open.
struct AudioFormat {
    int frequency = 0;     // Hz
    int channels = 0;
    int bufferFrames = 0;  // frames per audio callback, 0 until the first one ran
};

// The service on real hardware: SDL_mixer plays effects on one channel while
// fluidsynth renders the sequencer into the mixer's music stream.
//
// Everything slow happens on a thread of the service's own: starting SDL's
// audio and loading the soundfont (once, at the lowest priority), opening the
// audio device when a tune is opened or played or an effect is asked for,
// loading a tune's instruments, and closing the device again once the music
// has been stopped or closed and the effects are silent. So an idle game holds
// no device and runs no timer, and no command waits for a device.
//
// Only one may be live at a time in a process, since the mixer is global; a
// second one behaves as if there were no sound device. Without a device or a
// soundfont every command fails harmlessly and one line goes to stderr.
class SystemMultimedia final : public MultimediaService {
public:
    // startNow false leaves the thread unstarted until start() or the first
    // request, so a program can show its window first.
    explicit SystemMultimedia(bool startNow = true);
    ~SystemMultimedia() override;
    SystemMultimedia(const SystemMultimedia&) = delete;
    SystemMultimedia& operator=(const SystemMultimedia&) = delete;

    // Starts the sound thread; harmless when it runs already.
    void start();

    std::uint32_t sendString(std::string_view command) override;
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override;

    // Blocks until SDL's audio has started or failed to; true when there is
    // an audio driver to open devices with.
    bool audioAvailable() const;
    // Blocks until the soundfont has loaded or failed to; true when loaded.
    bool waitForSoundfont();
    // Whether the audio device is open right now.
    bool deviceOpen() const;
    // Blocks until the device is open (true) or its opening failed or nothing
    // asks for it any more (false).
    bool waitForDevice();
    AudioFormat audioFormat() const;
    // Decodes an effect before its first request; opens the device meanwhile
    // if it was closed.
    bool preloadSound(std::string_view fileName);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace mm
