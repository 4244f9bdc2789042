#pragma once

#include <string_view>

#include "AudioOutput.h"
#include "SystemMultimedia.h"

namespace mm {

// What the audio device gives while it is open.
struct AudioFormat {
    int frequency = 0;  // Hz
    int channels = 0;
    int bufferFrames = 0;  // frames per audio callback, 0 while the device is closed
};

// A look inside a SystemMultimedia, for its tests and the benchmarks and
// probes that measure it; the game never uses these. The waits are answered
// by the service's thread, in turn with the requests sent before them.
class SoundProbes {
public:
    explicit SoundProbes(SystemMultimedia& service) : impl_(*service.impl_) {}

    // Starts SDL's audio if it has not started, and blocks until it has or
    // failed to; true when there is an audio driver to open devices with.
    bool audioAvailable() const;
    // Loads the soundfont if it has not loaded, and blocks until it has or
    // failed to; true when loaded.
    bool waitForSoundfont() const;
    // Whether the soundfont has been loaded (false until a tune asks for it).
    bool soundfontLoaded() const;
    // Whether the audio device is open right now.
    bool deviceOpen() const;
    // Blocks until the device is open (true) or its opening failed or nothing
    // asks for it any more (false).
    bool waitForDevice() const;
    AudioFormat audioFormat() const;
    // Whether the effect channel sounds.
    bool effectSounding() const;
    // Decodes an effect before its first request; opens the device meanwhile
    // if it was closed.
    bool preloadSound(std::string_view fileName) const;
    // Sees what goes to the device, on the audio thread: for measuring.
    void tapOutput(AudioOutput::Tap tap, void* arg) const;

private:
    SystemMultimedia::Impl& impl_;
};

}  // namespace mm
