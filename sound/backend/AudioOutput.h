#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Limiter.h"
#include "SoundBackendEntry.h"
#include "WavePlayer.h"

namespace mm {

class FluidSequencer;

// An effect decoded to the output's own format: interleaved 16-bit stereo at
// the output's rate, so the audio callback only adds it.
class PcmClip final : public DecodedClip {
public:
    explicit PcmClip(std::vector<std::int16_t> stereo) : stereo_(std::move(stereo)) {}
    const std::int16_t* frames() const { return stereo_.data(); }
    long frameCount() const { return static_cast<long>(stereo_.size() / 2); }

private:
    std::vector<std::int16_t> stereo_;
};

// The audio device and what its callback plays: the synthesizer's music with
// one effect channel over it, through the limiter.
//
// The callback asks for no lock the rest of the program holds. An effect is
// handed over through one atomic slot that the callback reads at the start
// of its next period, so a request returns at once and sounds one period
// later at most, whatever the music costs to render. The music is rendered
// ahead in blocks of several periods: woken every few milliseconds, the
// synthesizer would find its caches cold each time and cost twice what it
// costs rendering the same tune in one go, while the music need not start
// or stop within a period. While no effect sounds the music goes to the
// device as the synthesizer wrote it; while nothing sounds at all the
// synthesizer is not run.
class AudioOutput final : public EffectOutput {
public:
    static constexpr int sampleRate = 44100;
    // 512 frames, 11.6 ms: a cut sounds within one such period of its
    // request. The device holds two periods; with 256 frames it ran dry a few
    // times a minute on a busy 2-core machine, when even a thread that only
    // sleeps was woken over a period late, while 512 frames did not.
    static constexpr int periodFrames = 512;
    // 2048 frames, 46 ms: how far the music is rendered ahead at most.
    static constexpr int musicBlockFrames = 2048;
    // What the stream asks a PulseAudio or PipeWire server to hold, unless
    // the user set PULSE_LATENCY_MSEC (the program sets it, see
    // SoundBackendEntry.h).
    static constexpr int serverBufferMs = soundServerBufferMs;
    // 300 frames, 6.8 ms: the fade at a close, short enough to end with the
    // game and long enough not to click.
    static constexpr int closeFadeFrames = 300;

    // Sees every period as it goes to the device, on the audio thread.
    using Tap = void (*)(void* arg, const std::int16_t* stereo, int frames);

    // framesPerPeriod: the game's periodFrames; the probes compare others.
    explicit AudioOutput(int framesPerPeriod = periodFrames) : framesPerPeriod_(framesPerPeriod) {}
    ~AudioOutput() override;
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // SDL's audio must be initialised. No format change is allowed: SDL
    // converts for the device, so the synthesizer and the decoded effects
    // always have one known format, also across reopens.
    bool open(std::string& error);
    // Fades out whatever still sounds and waits, within a bound, until the
    // fade has left the server's buffer, so the stream never ends on a
    // sample. Returns once no callback runs any more.
    void close();
    bool isOpen() const { return device_.load() != 0; }
    // Frames per callback the device was opened with, 0 while closed.
    int bufferFrames() const { return bufferFrames_.load(); }

    // What plays under the effects; nullptr for silence. Once this returns,
    // no callback uses the previous one any more.
    void setMusic(FluidSequencer* music);
    void setTap(Tap tap, void* arg);

    // EffectOutput: one channel, handed to the callback.
    std::unique_ptr<DecodedClip> decode(const std::string& path,
                                        const std::vector<std::uint8_t>& wav) override;
    // The clip must outlive its playing: the waveform player keeps its clips
    // until the output is closed.
    bool play(const DecodedClip& clip) override;
    bool sounding() const override;
    void halt() override;
    void waitUntilSilent() override;

private:
    static void fill(void* self, std::uint8_t* stream, int len);
    void renderPeriod(std::int16_t* stereo, int frames);
    void withCallbackHeld(void (*change)(AudioOutput&, void*), void* arg);
    void fadeForClose(std::int16_t* stereo, int frames);

    // Written only by whoever opens and closes the output.
    const int framesPerPeriod_;
    std::atomic<std::uint32_t> device_{0};
    std::atomic<int> bufferFrames_{0};
    std::atomic<FluidSequencer*> music_{nullptr};
    Tap tap_ = nullptr;
    void* tapArg_ = nullptr;

    // The request slot: a clip to start, haltMark_ to stop, or nothing.
    std::atomic<const PcmClip*> requested_{nullptr};
    const PcmClip haltMark_{{}};
    // Written by the callback only.
    std::atomic<bool> playing_{false};
    const PcmClip* current_ = nullptr;
    long position_ = 0;
    Limiter limiter_{sampleRate};
    std::vector<std::int16_t> musicBlock_ =
        std::vector<std::int16_t>(std::size_t{2} * musicBlockFrames);
    int musicServed_ = musicBlockFrames;  // frames of the block already played
    bool musicSilent_ = true;
    bool priorityAsked_ = false;
    bool musicPeaks_ = false;  // a sample of the block passes the limiter's ceiling
    // Set by close(); the callback then fades out and plays silence.
    std::atomic<bool> closing_{false};
    int fadeLeft_ = closeFadeFrames;
    // Frames of silence the callback has played since the last sound.
    std::atomic<long> silentFrames_{0};
};

}  // namespace mm
