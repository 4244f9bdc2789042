#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "AudioOutput.h"
#include "MultimediaService.h"

namespace mm {

// What the audio device gives while it is open.
struct AudioFormat {
    int frequency = 0;  // Hz
    int channels = 0;
    int bufferFrames = 0;  // frames per audio callback, 0 while the device is closed
};

// The service on real hardware: fluidsynth renders the sequencer and one
// effect channel sounds over it, both through an AudioOutput.
//
// Everything slow happens off the caller's thread, and only when a game needs
// it: the service's own thread starts SDL's audio at the first request, opens
// the audio device when a tune is opened or played or an effect is asked for,
// loads a tune's instruments, and closes the device again once the music has
// been stopped or closed and the effects are silent; a thread of its own loads
// the soundfont at the first tune. So an idle window holds no device, no
// soundfont and runs no timer. An open waits for the soundfont; an effect
// never waits for the music.
//
// Only one may be live at a time in a process, since SDL's audio is set up
// once; a second one behaves as if there were no sound device. Without a
// device or a soundfont every command fails harmlessly and one line goes to
// stderr.
class SystemMultimedia final : public MultimediaService {
public:
    // framesPerPeriod: the audio device's period; the game keeps the default,
    // the probes compare others.
    explicit SystemMultimedia(int framesPerPeriod = AudioOutput::periodFrames);
    ~SystemMultimedia() override;
    SystemMultimedia(const SystemMultimedia&) = delete;
    SystemMultimedia& operator=(const SystemMultimedia&) = delete;

    std::uint32_t sendString(std::string_view command) override;
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override;

    // Starts SDL's audio if it has not started, and blocks until it has or
    // failed to; true when there is an audio driver to open devices with.
    bool audioAvailable() const;
    // Loads the soundfont if it has not loaded, and blocks until it has or
    // failed to; true when loaded.
    bool waitForSoundfont();
    // Whether the soundfont has been loaded (false until a tune asks for it).
    bool soundfontLoaded() const;
    // Whether the audio device is open right now.
    bool deviceOpen() const;
    // Blocks until the device is open (true) or its opening failed or nothing
    // asks for it any more (false).
    bool waitForDevice();
    AudioFormat audioFormat() const;
    // Whether the effect channel sounds.
    bool effectSounding() const;
    // Decodes an effect before its first request; opens the device meanwhile
    // if it was closed.
    bool preloadSound(std::string_view fileName);
    // Sees what goes to the device, on the audio thread: for measuring.
    void tapOutput(AudioOutput::Tap tap, void* arg);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace mm
