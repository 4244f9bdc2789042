#include "AudioOutput.h"

#include <SDL.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "FluidSequencer.h"

namespace mm {
namespace {

// How long close() waits at most for its fade to be played: the fade, the
// server's buffer and a few late periods.
constexpr auto closeWaitLimit = std::chrono::milliseconds(150);

// Real time for SDL's audio thread comes from the desktop's real-time
// service (rtkit) where the user may not set it himself; SDL asks for it when
// told to. (The server's buffer is set by the program: PULSE_LATENCY_MSEC,
// soundServerBufferMs in SoundBackendEntry.h.)
void askForRealTime() {
    static const bool asked = [] {
        SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
        return true;
    }();
    (void)asked;
}

}  // namespace

AudioOutput::~AudioOutput() { close(); }

bool AudioOutput::open(std::string& error) {
    if (device_ != 0) return true;
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(framesPerPeriod_);
    want.callback = &AudioOutput::fill;
    want.userdata = this;
    requested_.store(nullptr);
    playing_.store(false);
    current_ = nullptr;
    limiter_ = Limiter(sampleRate);
    musicServed_ = musicBlockFrames;
    priorityAsked_ = false;  // each open starts a new audio thread
    closing_.store(false);
    fadeLeft_ = closeFadeFrames;
    silentFrames_.store(0);
    askForRealTime();
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        error = SDL_GetError();
        return false;
    }
    device_ = device;
    bufferFrames_ = have.samples;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void AudioOutput::close() {
    if (device_ == 0) return;
    // What was written last may still wait in the server's buffer, and a
    // stream taken away drops it there: so the close waits until silence
    // has followed the last sound for longer than that buffer holds.
    const long drained = static_cast<long>(sampleRate) * serverBufferMs / 1000 + 2L * bufferFrames_;
    if (silentFrames_.load(std::memory_order_acquire) < drained) {
        closing_.store(true, std::memory_order_release);
        const auto deadline = std::chrono::steady_clock::now() + closeWaitLimit;
        while (silentFrames_.load(std::memory_order_acquire) < drained &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    SDL_CloseAudioDevice(device_);  // joins the audio thread
    device_ = 0;
    bufferFrames_ = 0;
    playing_.store(false);
    requested_.store(nullptr);
    current_ = nullptr;
}

void AudioOutput::withCallbackHeld(void (*change)(AudioOutput&, void*), void* arg) {
    if (device_ != 0) SDL_LockAudioDevice(device_);
    change(*this, arg);
    if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

void AudioOutput::setMusic(FluidSequencer* music) {
    withCallbackHeld(
        [](AudioOutput& out, void* m) {
            out.music_.store(static_cast<FluidSequencer*>(m), std::memory_order_release);
        },
        music);
}

void AudioOutput::setTap(Tap tap, void* arg) {
    struct Change {
        Tap tap;
        void* arg;
    } change{tap, arg};
    withCallbackHeld(
        [](AudioOutput& out, void* c) {
            out.tap_ = static_cast<Change*>(c)->tap;
            out.tapArg_ = static_cast<Change*>(c)->arg;
        },
        &change);
}

std::unique_ptr<DecodedClip> AudioOutput::decode(const std::string&,
                                                 const std::vector<std::uint8_t>& wav) {
    // The bytes were read and checked once; SDL decodes them from memory and
    // converts them to the device's format here, not in the callback.
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (rw == nullptr) return nullptr;
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 bytes = 0;
    if (SDL_LoadWAV_RW(rw, 1, &spec, &samples, &bytes) == nullptr) return nullptr;
    SDL_AudioCVT cvt{};
    const int needed =
        SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, 2, sampleRate);
    if (needed < 0) {
        SDL_FreeWAV(samples);
        return nullptr;
    }
    std::vector<std::uint8_t> work(static_cast<std::size_t>(bytes) *
                                   static_cast<std::size_t>(std::max(1, cvt.len_mult)));
    std::memcpy(work.data(), samples, bytes);
    SDL_FreeWAV(samples);
    int converted = static_cast<int>(bytes);
    if (needed == 1) {
        cvt.buf = work.data();
        cvt.len = static_cast<int>(bytes);
        if (SDL_ConvertAudio(&cvt) != 0) return nullptr;
        converted = cvt.len_cvt;
    }
    std::vector<std::int16_t> stereo(static_cast<std::size_t>(converted) / 4 * 2);
    if (stereo.empty()) return nullptr;
    std::memcpy(stereo.data(), work.data(), stereo.size() * sizeof(std::int16_t));
    return std::make_unique<PcmClip>(std::move(stereo));
}

bool AudioOutput::play(const DecodedClip& clip) {
    if (device_ == 0) return false;
    requested_.store(static_cast<const PcmClip*>(&clip), std::memory_order_release);
    return true;
}

bool AudioOutput::sounding() const {
    const PcmClip* request = requested_.load(std::memory_order_acquire);
    if (request == &haltMark_) return false;
    return request != nullptr || playing_.load(std::memory_order_acquire);
}

void AudioOutput::halt() {
    if (device_ != 0) requested_.store(&haltMark_, std::memory_order_release);
}

void AudioOutput::waitUntilSilent() {
    while (device_ != 0 && sounding()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void AudioOutput::fill(void* self, std::uint8_t* stream, int len) {
    // The device's queue of two periods leaves the audio thread one period
    // of slack. SDL makes it nice -20 where it may (without rtkit, only as
    // root), and even so it waits behind whole time slices of other users'
    // work once their group is ahead of ours; a real-time policy at the
    // lowest real-time priority comes before all of it, as sound servers'
    // threads do. Where the user may not set it (no CAP_SYS_NICE, no rtprio
    // limit) the thread keeps what SDL gave it. The callback sleeps every
    // period, so the kernel's share for real-time threads is never near.
    auto* out = static_cast<AudioOutput*>(self);
    if (!out->priorityAsked_) {
        out->priorityAsked_ = true;
        // Real time already, from SDL through rtkit: kept as given.
        if ((sched_getscheduler(0) & ~SCHED_RESET_ON_FORK) == SCHED_OTHER) {
            sched_param param{};
            param.sched_priority = sched_get_priority_min(SCHED_RR);
            sched_setscheduler(0, SCHED_RR | SCHED_RESET_ON_FORK, &param);
        }
    }
    auto* stereo = reinterpret_cast<std::int16_t*>(stream);
    const int frames = len / static_cast<int>(2 * sizeof(std::int16_t));
    out->renderPeriod(stereo, frames);
    if (out->closing_.load(std::memory_order_acquire)) out->fadeForClose(stereo, frames);
    if (std::all_of(stereo, stereo + std::ptrdiff_t{2} * frames,
                    [](std::int16_t s) { return s == 0; }))
        out->silentFrames_.fetch_add(frames, std::memory_order_release);
    else
        out->silentFrames_.store(0, std::memory_order_release);
    if (out->tap_ != nullptr) out->tap_(out->tapArg_, stereo, frames);
}

// A straight line down to silence; everything after it is silent.
void AudioOutput::fadeForClose(std::int16_t* stereo, int frames) {
    for (int i = 0; i < frames; ++i) {
        const double gain = static_cast<double>(fadeLeft_) / closeFadeFrames;
        for (int c = 0; c < 2; ++c)
            stereo[2 * i + c] = static_cast<std::int16_t>(stereo[2 * i + c] * gain);
        if (fadeLeft_ > 0) --fadeLeft_;
    }
}

void AudioOutput::renderPeriod(std::int16_t* stereo, int frames) {
    bool musicPeaks = false;
    for (int done = 0; done < frames;) {
        if (musicServed_ == musicBlockFrames) {
            FluidSequencer* music = music_.load(std::memory_order_acquire);
            musicSilent_ = music == nullptr || !music->render(musicBlock_.data(), musicBlockFrames);
            // Looked at once per block, so the periods with no effect need
            // not read the music again.
            musicPeaks_ =
                !musicSilent_ && Limiter::passesCeiling<2 * musicBlockFrames>(musicBlock_.data());
            musicServed_ = 0;
        }
        musicPeaks = musicPeaks || musicPeaks_;
        const int n = std::min(frames - done, musicBlockFrames - musicServed_);
        const std::size_t bytes = static_cast<std::size_t>(n) * 2 * sizeof(std::int16_t);
        if (musicSilent_)
            std::memset(stereo + std::ptrdiff_t{2} * done, 0, bytes);
        else
            std::memcpy(stereo + std::ptrdiff_t{2} * done,
                        musicBlock_.data() + std::ptrdiff_t{2} * musicServed_, bytes);
        musicServed_ += n;
        done += n;
    }
    // Read after the music is rendered, so a request made meanwhile still
    // starts in this period.
    if (const PcmClip* request = requested_.load(std::memory_order_acquire)) {
        current_ = request == &haltMark_ ? nullptr : request;
        position_ = 0;
        // Set before the slot is emptied, so sounding() never sees a gap.
        playing_.store(current_ != nullptr, std::memory_order_release);
        // A request made since stays for the next period.
        requested_.compare_exchange_strong(request, nullptr, std::memory_order_acq_rel);
    }
    int effectFrames = 0;
    const std::int16_t* effect = nullptr;
    if (current_ != nullptr) {
        effect = current_->frames() + 2 * position_;
        effectFrames = static_cast<int>(std::min<long>(frames, current_->frameCount() - position_));
        position_ += effectFrames;
    }
    if (effectFrames > 0 || musicPeaks || !limiter_.atRest())
        limiter_.mix(stereo, effect, effectFrames, frames);
    if (current_ != nullptr && position_ >= current_->frameCount()) {
        current_ = nullptr;
        playing_.store(false, std::memory_order_release);
    }
}

}  // namespace mm
