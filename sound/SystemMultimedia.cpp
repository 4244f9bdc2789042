#include "SystemMultimedia.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "FluidSequencer.h"
#include "SequencerCommands.h"
#include "WavePlayer.h"

namespace mm {
namespace {

constexpr int kSampleRate = 44100;
// 512 frames is about 12 ms at 44.1 kHz: short enough that a hit sounds with
// the key press, long enough that fluidsynth keeps up on a slow machine.
constexpr int kBufferFrames = 512;
constexpr int kEffectChannel = 0;

// The mixer and its music hook are process-wide, so only one service may own
// them.
std::atomic<bool> g_mixerClaimed{false};

class SdlClip final : public DecodedClip {
public:
    explicit SdlClip(Mix_Chunk* chunk) : chunk_(chunk) {}
    ~SdlClip() override { Mix_FreeChunk(chunk_); }
    SdlClip(const SdlClip&) = delete;
    SdlClip& operator=(const SdlClip&) = delete;
    Mix_Chunk* chunk() const { return chunk_; }

private:
    Mix_Chunk* chunk_;
};

}  // namespace

struct SystemMultimedia::Impl final : SequencerDevice, EffectOutput {
    Impl();
    ~Impl() override;

    void warnOnce(const std::string& message);
    void loadSoundfont();
    bool waitForSoundfont();
    static void SDLCALL mixMusic(void* self, Uint8* stream, int len);

    // SequencerDevice: waits for the soundfont, then hands over to fluidsynth.
    SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                  Handle& handle) override;
    SeqError play(Handle handle) override;
    SeqError stop(Handle handle) override;
    void close(Handle handle) override;

    // EffectOutput on the mixer's single channel.
    std::unique_ptr<DecodedClip> decode(const std::string& path) override;
    bool start(const DecodedClip& clip) override;
    bool sounding() const override;
    void halt() override;
    void waitUntilSilent() override;

    bool claimed = false;
    bool sdlStarted = false;
    bool audioOpen = false;
    int frequency = 0;
    int channels = 0;
    std::atomic<int> callbackFrames{0};
    std::atomic<bool> warned{false};

    std::mutex loaderMutex;
    std::thread loader;
    bool loaderDone = true;
    // Written by the loader thread before it ends; read by others only after
    // joining it.
    std::unique_ptr<FluidSequencer> fluid;
    // What the audio callback renders, published as soon as it is usable.
    std::atomic<FluidSequencer*> live{nullptr};

    WavePlayer waves{*this};
    SequencerInterpreter interpreter{*this};
};

SystemMultimedia::Impl::Impl() {
    if (g_mixerClaimed.exchange(true)) {
        warnOnce("another sound service is already active; this one stays silent");
        return;
    }
    claimed = true;
    // SDL would otherwise take over SIGINT and SIGTERM from the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        warnOnce(std::string("no audio device (") + SDL_GetError() + "); sound is off");
        return;
    }
    sdlStarted = true;
    // No format change allowed: SDL converts for us, so the synthesizer can
    // always write 16-bit stereo at one known rate.
    if (Mix_OpenAudioDevice(kSampleRate, AUDIO_S16SYS, 2, kBufferFrames, nullptr, 0) != 0) {
        warnOnce(std::string("cannot open audio (") + Mix_GetError() + "); sound is off");
        return;
    }
    audioOpen = true;
    Mix_AllocateChannels(1);
    Uint16 format = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    Mix_HookMusic(&Impl::mixMusic, this);
    try {
        loaderDone = false;
        loader = std::thread([this] { loadSoundfont(); });
    } catch (...) {
        loaderDone = true;
        warnOnce("cannot start the soundfont loader; music is off");
    }
}

SystemMultimedia::Impl::~Impl() {
    // Exit stops and closes the music just before: let its fade reach silence.
    if (FluidSequencer* seq = live.load(); seq != nullptr && audioOpen)
        seq->waitForFadeOut(std::chrono::milliseconds(50));
    if (audioOpen) Mix_HookMusic(nullptr, nullptr);  // returns once no callback is running
    live.store(nullptr);
    waitForSoundfont();
    interpreter.closeAll();
    fluid.reset();
    if (audioOpen) {
        waves.clear();
        Mix_CloseAudio();
    }
    if (sdlStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (claimed) g_mixerClaimed.store(false);
}

void SystemMultimedia::Impl::warnOnce(const std::string& message) {
    if (!warned.exchange(true)) std::fprintf(stderr, "zanrai: %s\n", message.c_str());
}

void SystemMultimedia::Impl::loadSoundfont() {
    // Reading a large soundfont competes with the window's start-up for the
    // two cores; the window comes first.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    std::string error;
    std::unique_ptr<FluidSequencer> seq;
    try {
        seq = FluidSequencer::create(findSoundfont(), frequency, error);
    } catch (...) {
        error = "out of memory loading the soundfont";
    }
    if (!seq) {
        warnOnce(error + "; music is off");
        return;
    }
    fluid = std::move(seq);
    live.store(fluid.get(), std::memory_order_release);
}

bool SystemMultimedia::Impl::waitForSoundfont() {
    std::lock_guard lock(loaderMutex);
    if (!loaderDone) {
        loader.join();
        loaderDone = true;
    }
    return fluid != nullptr;
}

void SDLCALL SystemMultimedia::Impl::mixMusic(void* self, Uint8* stream, int len) {
    auto* impl = static_cast<Impl*>(self);
    const int frames = len / static_cast<int>(2 * sizeof(std::int16_t));
    impl->callbackFrames.store(frames, std::memory_order_relaxed);
    if (FluidSequencer* seq = impl->live.load(std::memory_order_acquire)) {
        seq->render(reinterpret_cast<std::int16_t*>(stream), frames);
    }
}

SeqError SystemMultimedia::Impl::open(const std::string& path,
                                      const std::vector<std::uint8_t>& smf, Handle& handle) {
    if (!audioOpen || !waitForSoundfont()) return SeqError::NoDevice;
    return fluid->open(path, smf, handle);
}

// Handles exist only after a successful open, which has joined the loader, so
// fluid can be read without waiting here.
SeqError SystemMultimedia::Impl::play(Handle handle) {
    return fluid ? fluid->play(handle) : SeqError::NoDevice;
}

SeqError SystemMultimedia::Impl::stop(Handle handle) {
    return fluid ? fluid->stop(handle) : SeqError::NoDevice;
}

void SystemMultimedia::Impl::close(Handle handle) {
    if (fluid) fluid->close(handle);
}

std::unique_ptr<DecodedClip> SystemMultimedia::Impl::decode(const std::string& path) {
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (chunk == nullptr) return nullptr;
    return std::make_unique<SdlClip>(chunk);
}

bool SystemMultimedia::Impl::start(const DecodedClip& clip) {
    const auto& sdlClip = static_cast<const SdlClip&>(clip);
    return Mix_PlayChannel(kEffectChannel, sdlClip.chunk(), 0) != -1;
}

bool SystemMultimedia::Impl::sounding() const { return Mix_Playing(kEffectChannel) != 0; }

void SystemMultimedia::Impl::halt() { Mix_HaltChannel(kEffectChannel); }

void SystemMultimedia::Impl::waitUntilSilent() {
    while (Mix_Playing(kEffectChannel) != 0) SDL_Delay(1);
}

SystemMultimedia::SystemMultimedia() : impl_(std::make_unique<Impl>()) {}

SystemMultimedia::~SystemMultimedia() = default;

std::uint32_t SystemMultimedia::sendString(std::string_view command) {
    return toCode(impl_->interpreter.execute(command));
}

std::int32_t SystemMultimedia::playSound(std::string_view fileName, std::uint32_t flags) {
    if (!impl_->audioOpen) return 0;
    return impl_->waves.play(fileName, flags);
}

bool SystemMultimedia::audioAvailable() const { return impl_->audioOpen; }

bool SystemMultimedia::waitForSoundfont() { return impl_->audioOpen && impl_->waitForSoundfont(); }

AudioFormat SystemMultimedia::audioFormat() const {
    return AudioFormat{impl_->frequency, impl_->channels,
                       impl_->callbackFrames.load(std::memory_order_relaxed)};
}

bool SystemMultimedia::preloadSound(std::string_view fileName) {
    return impl_->audioOpen && impl_->waves.preload(fileName);
}

std::unique_ptr<MultimediaService> makeSystemMultimedia() {
    return std::make_unique<SystemMultimedia>();
}

}  // namespace mm
