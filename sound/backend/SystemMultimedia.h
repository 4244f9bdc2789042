#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "AudioOutput.h"
#include "MultimediaService.h"

namespace mm {

// The service on real hardware: fluidsynth renders the sequencer and one
// effect channel sounds over it, both through an AudioOutput.
//
// One thread of the service's own owns the audio device, the synthesizer
// and the command interpreter, and reads one queue that carries the
// commands and the effect requests. Everything slow happens there, and only
// when a game needs it: it starts SDL's audio at the first request, opens
// the device when a tune is opened or played or an effect is asked for,
// loads a tune's instruments, and closes the device again once the music has
// been stopped or closed and the effects are silent. The soundfont is loaded
// at the first tune by a helper thread that only hands the loaded
// synthesizer back through the queue; an open waits for it on the queue, so
// effects and the device go on meanwhile. An idle window holds no device, no
// soundfont and runs no timer.
//
// sendString waits for its command's result; playSound never waits for the
// service's thread: while the device is open an effect goes straight to the
// output's hand-over to the audio callback, and before that it is queued.
//
// Only one may be live at a time in a process, since SDL's audio is set up
// once; a second one behaves as if there were no sound device. Without a
// device or a soundfont every command fails harmlessly and one line goes to
// stderr. Tests and measurements look inside through SoundProbes.
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

private:
    friend class SoundProbes;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace mm
