#include "SystemMultimedia.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "AlsaMessages.h"
#include "FluidSequencer.h"
#include "Limiter.h"
#include "DataFile.h"
#include "SequencerCommands.h"
#include "WavHeader.h"
#include "WavePlayer.h"

namespace mm {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSampleRate = 44100;
// 512 frames is about 12 ms at 44.1 kHz: short enough that a hit sounds with
// the key press, long enough that fluidsynth keeps up on a slow machine.
constexpr int kBufferFrames = 512;
constexpr int kEffectChannel = 0;
// How long the device stays open once nothing needs it: long enough for a
// stopped tune's release and for Reset followed by Start, short enough that
// an idle window soon holds nothing.
constexpr auto kLinger = std::chrono::milliseconds(250);

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

    enum class Stack { NotStarted, Starting, Ready, NoAudio };
    enum class Device { Closed, Opening, Open, Closing };
    struct Effect {
        std::string name;
        std::uint32_t flags = 0;
    };

    void start();
    void run();
    void loadSoundfont();
    bool openDevice();
    void closeDevice();
    void warnOnce(const std::string& message);
    bool wanted() const { return musicNeeds || pendingEffect.has_value() || holds > 0; }
    // Called with the lock held before something starts to need the device:
    // a new need may try a device that failed to open before.
    void beforeNeed() {
        if (!wanted()) openFailed = false;
    }
    void release() {
        releasedAt = Clock::now();
        cv.notify_all();
    }
    bool stackSettled(std::unique_lock<std::mutex>& lock);
    bool deviceSettled(std::unique_lock<std::mutex>& lock);
    std::int32_t requestEffect(std::string_view name, std::uint32_t flags);
    void noteCommand(SeqCommand::Verb verb);
    static void SDLCALL mixMusic(void* self, Uint8* stream, int len);

    // SequencerDevice: waits for the soundfont, then hands over to fluidsynth.
    SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                  Handle& handle) override;
    SeqError play(Handle handle) override;
    SeqError stop(Handle handle) override;
    void close(Handle handle) override;

    // EffectOutput on the mixer's single channel.
    std::unique_ptr<DecodedClip> decode(const std::string& path,
                                        const std::vector<std::uint8_t>& wav) override;
    bool start(const DecodedClip& clip) override;
    bool sounding() const override;
    void halt() override;
    void waitUntilSilent() override;

    bool claimed = false;
    bool sdlStarted = false;  // written by the thread, read after it is joined
    std::atomic<bool> mixerOpen{false};
    std::atomic<int> callbackFrames{0};
    std::atomic<bool> warned{false};

    // Guards everything below. Never taken on the audio thread, so holding it
    // while calling into the mixer cannot deadlock.
    mutable std::mutex m;
    std::condition_variable cv;
    std::thread worker;
    Stack stack = Stack::NotStarted;
    bool soundfontDone = false;
    Device device = Device::Closed;
    bool musicNeeds = false;  // from an open or play command to a stop or close
    std::optional<Effect> pendingEffect;
    int holds = 0;  // callers waiting for the device
    bool openFailed = false;
    bool quitting = false;
    Clock::time_point releasedAt{};
    std::deque<Handle> toPrepare;
    // Set once by the thread; destroyed after it is joined.
    std::unique_ptr<FluidSequencer> fluid;
    // What the audio callback renders, published as soon as it is usable.
    std::atomic<FluidSequencer*> live{nullptr};

    WavePlayer waves{*this};
    SequencerInterpreter interpreter{*this};
};

SystemMultimedia::Impl::Impl() {
    if (g_mixerClaimed.exchange(true)) {
        warnOnce("another sound service is already active; this one stays silent");
        stack = Stack::NoAudio;
        soundfontDone = true;
        return;
    }
    claimed = true;
}

SystemMultimedia::Impl::~Impl() {
    {
        std::lock_guard lock(m);
        quitting = true;
        cv.notify_all();
    }
    if (worker.joinable()) worker.join();
    // Exit stops and closes the music just before: let its fade reach silence.
    if (FluidSequencer* seq = live.load(); seq != nullptr && mixerOpen)
        seq->waitForFadeOut(std::chrono::milliseconds(50));
    // The thread is gone: the device goes first, so no callback sees the
    // synthesizer or a clip being freed.
    if (mixerOpen) Mix_HookMusic(nullptr, nullptr);
    live.store(nullptr);
    interpreter.closeAll();
    fluid.reset();
    waves.clear();
    if (mixerOpen) {
        Mix_CloseAudio();
        mixerOpen = false;
    }
    if (sdlStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (claimed) g_mixerClaimed.store(false);
}

void SystemMultimedia::Impl::start() {
    std::lock_guard lock(m);
    if (stack != Stack::NotStarted) return;
    stack = Stack::Starting;
    try {
        worker = std::thread([this] { run(); });
    } catch (...) {
        stack = Stack::NoAudio;
        soundfontDone = true;
        warnOnce("cannot start the sound thread; sound is off");
    }
}

void SystemMultimedia::Impl::warnOnce(const std::string& message) {
    if (!warned.exchange(true)) std::fprintf(stderr, "zanrai: %s\n", message.c_str());
}

void SystemMultimedia::Impl::run() {
    // Named, so a profile or /proc tells it from the window's thread.
    pthread_setname_np(pthread_self(), "zanrai-sound");
    // SDL would otherwise take over SIGINT and SIGTERM from the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    silenceAlsaMessages();
    sdlStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!sdlStarted) warnOnce(std::string("no audio device (") + SDL_GetError() + "); sound is off");
    {
        std::lock_guard lock(m);
        stack = sdlStarted ? Stack::Ready : Stack::NoAudio;
        cv.notify_all();
    }
    if (sdlStarted) {
        // On a thread of its own, so this one can go back to normal priority
        // for the device once the soundfont is in.
        try {
            std::thread loader([this] { loadSoundfont(); });
            loader.join();
        } catch (...) {
            warnOnce("cannot start the soundfont loader; music is off");
        }
    }
    std::unique_lock lock(m);
    soundfontDone = true;
    cv.notify_all();
    while (!quitting) {
        if (stack != Stack::Ready) {
            pendingEffect.reset();
            cv.wait(lock);
            continue;
        }
        if (!toPrepare.empty()) {
            const Handle handle = toPrepare.front();
            toPrepare.pop_front();
            FluidSequencer* seq = fluid.get();
            lock.unlock();
            if (seq != nullptr) seq->prepare(handle);
            lock.lock();
            continue;
        }
        if (device == Device::Closed && wanted() && !openFailed) {
            device = Device::Opening;
            lock.unlock();
            const bool opened = openDevice();
            lock.lock();
            device = opened ? Device::Open : Device::Closed;
            openFailed = !opened;
            if (opened && pendingEffect) {
                const Effect effect = std::move(*pendingEffect);
                pendingEffect.reset();
                waves.play(effect.name, effect.flags | SND_ASYNC);
                releasedAt = Clock::now();
            }
            if (!opened) pendingEffect.reset();
            cv.notify_all();
            continue;
        }
        if (device == Device::Open && !wanted()) {
            // An effect may still ring out; it ends without telling anyone,
            // so this looks a few times a second, and only until the device
            // is closed.
            if (Clock::now() - releasedAt >= kLinger && !sounding()) {
                device = Device::Closing;
                lock.unlock();
                closeDevice();
                lock.lock();
                device = Device::Closed;
                cv.notify_all();
                continue;
            }
            cv.wait_for(lock, kLinger);
            continue;
        }
        cv.wait(lock);
    }
    lock.unlock();
    // SDL keeps per-thread state (its error text) that it frees by itself
    // only for threads it made.
    SDL_TLSCleanup();
}

void SystemMultimedia::Impl::loadSoundfont() {
    pthread_setname_np(pthread_self(), "zanrai-sf-load");
    // Reading a large soundfont competes with the window for the two cores;
    // the window comes first.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    std::string error;
    std::unique_ptr<FluidSequencer> seq;
    try {
        seq = FluidSequencer::create(findSoundfont(), kSampleRate, error);
    } catch (...) {
        error = "out of memory loading the soundfont";
    }
    if (!seq) {
        warnOnce(error + "; music is off");
        return;
    }
    std::lock_guard lock(m);
    fluid = std::move(seq);
    live.store(fluid.get(), std::memory_order_release);
}

bool SystemMultimedia::Impl::openDevice() {
    // No format change allowed: SDL converts for us, so the synthesizer and
    // the decoded effects always have one known format, also across reopens.
    if (Mix_OpenAudioDevice(kSampleRate, AUDIO_S16SYS, 2, kBufferFrames, nullptr, 0) != 0) {
        warnOnce(std::string("cannot open audio (") + Mix_GetError() + "); sound is off");
        return false;
    }
    Mix_AllocateChannels(1);
    hookLimitedMix(&Impl::mixMusic, this);
    mixerOpen = true;
    return true;
}

void SystemMultimedia::Impl::closeDevice() {
    Mix_HookMusic(nullptr, nullptr);  // returns once no callback is running
    mixerOpen = false;
    Mix_CloseAudio();
    callbackFrames.store(0);
}

bool SystemMultimedia::Impl::stackSettled(std::unique_lock<std::mutex>& lock) {
    cv.wait(lock, [this] { return stack == Stack::Ready || stack == Stack::NoAudio; });
    return stack == Stack::Ready;
}

bool SystemMultimedia::Impl::deviceSettled(std::unique_lock<std::mutex>& lock) {
    cv.wait(lock, [this] {
        return quitting || stack == Stack::NoAudio || device == Device::Open ||
               (device == Device::Closed && (openFailed || !wanted()));
    });
    return device == Device::Open;
}

void SDLCALL SystemMultimedia::Impl::mixMusic(void* self, Uint8* stream, int len) {
    auto* impl = static_cast<Impl*>(self);
    const int frames = len / static_cast<int>(2 * sizeof(std::int16_t));
    impl->callbackFrames.store(frames, std::memory_order_relaxed);
    if (FluidSequencer* seq = impl->live.load(std::memory_order_acquire)) {
        seq->render(reinterpret_cast<std::int16_t*>(stream), frames);
    }
}

SeqError SystemMultimedia::Impl::open(const std::string&, const std::vector<std::uint8_t>& smf,
                                      Handle& handle) {
    start();
    std::unique_lock lock(m);
    if (!stackSettled(lock)) return SeqError::NoDevice;
    cv.wait(lock, [this] { return soundfontDone; });
    if (!fluid) return SeqError::NoDevice;
    const SeqError opened = fluid->openUnprepared(smf, handle);
    if (opened != SeqError::None) return opened;
    // The instruments load on the sound thread, before the device opens, so
    // neither this thread nor the audio callback reads the soundfont.
    toPrepare.push_back(handle);
    cv.notify_all();
    return SeqError::None;
}

// Handles exist only after a successful open, which set fluid for good.
SeqError SystemMultimedia::Impl::play(Handle handle) {
    return fluid ? fluid->play(handle) : SeqError::NoDevice;
}

SeqError SystemMultimedia::Impl::stop(Handle handle) {
    return fluid ? fluid->stop(handle) : SeqError::NoDevice;
}

void SystemMultimedia::Impl::close(Handle handle) {
    if (fluid) fluid->close(handle);
}

void SystemMultimedia::Impl::noteCommand(SeqCommand::Verb verb) {
    // A game is the time from a tune's open or play to its stop or close,
    // whether or not the tune itself could be opened: its effects need the
    // device all the same.
    std::lock_guard lock(m);
    const bool needs = verb == SeqCommand::Verb::Open || verb == SeqCommand::Verb::Play;
    if (needs) beforeNeed();
    musicNeeds = needs;
    if (needs)
        cv.notify_all();
    else
        release();
}

std::int32_t SystemMultimedia::Impl::requestEffect(std::string_view name, std::uint32_t flags) {
    start();
    std::unique_lock lock(m);
    if (stack == Stack::NoAudio) return 0;
    if ((flags & SND_ASYNC) == 0 && !name.empty()) {
        // The caller asked to wait for the sound, so it may wait for the
        // device too.
        beforeNeed();
        ++holds;
        cv.notify_all();
        const std::int32_t result = deviceSettled(lock) ? waves.play(name, flags) : 0;
        --holds;
        release();
        return result;
    }
    if (device == Device::Open) return waves.play(name, flags);
    // The device is closed or on its way: the request waits for it on the
    // sound thread, never here. SND_NOSTOP counts it as sounding already.
    if (name.empty()) {
        pendingEffect.reset();
        return 1;
    }
    if ((flags & SND_NOSTOP) != 0 && pendingEffect) return 0;
    // The device would not open for this game: silence, until the next need
    // tries again.
    if (device == Device::Closed && openFailed && wanted()) return 0;
    // Answered now as it will be then: a missing or broken file is silence.
    if (!waves.check(name)) return 0;
    beforeNeed();
    pendingEffect = Effect{std::string(name), flags};
    cv.notify_all();
    return 1;
}

std::unique_ptr<DecodedClip> SystemMultimedia::Impl::decode(
    const std::string&, const std::vector<std::uint8_t>& wav) {
    // The bytes were read and checked once; SDL decodes them from memory.
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (rw == nullptr) return nullptr;
    Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1);
    if (chunk == nullptr) return nullptr;
    return std::make_unique<SdlClip>(chunk);
}

bool SystemMultimedia::Impl::start(const DecodedClip& clip) {
    const auto& sdlClip = static_cast<const SdlClip&>(clip);
    return Mix_PlayChannel(kEffectChannel, sdlClip.chunk(), 0) != -1;
}

bool SystemMultimedia::Impl::sounding() const {
    return mixerOpen && Mix_Playing(kEffectChannel) != 0;
}

void SystemMultimedia::Impl::halt() {
    if (mixerOpen) Mix_HaltChannel(kEffectChannel);
}

void SystemMultimedia::Impl::waitUntilSilent() {
    while (sounding()) SDL_Delay(1);
}

SystemMultimedia::SystemMultimedia(bool startNow) : impl_(std::make_unique<Impl>()) {
    if (startNow) impl_->start();
}

SystemMultimedia::~SystemMultimedia() = default;

void SystemMultimedia::start() { impl_->start(); }

std::uint32_t SystemMultimedia::sendString(std::string_view command) {
    std::optional<SeqCommand::Verb> verb;
    const std::uint32_t result = toCode(impl_->interpreter.execute(command, &verb));
    if (verb) impl_->noteCommand(*verb);
    return result;
}

std::int32_t SystemMultimedia::playSound(std::string_view fileName, std::uint32_t flags) {
    return impl_->requestEffect(fileName, flags);
}

bool SystemMultimedia::audioAvailable() const {
    impl_->start();
    std::unique_lock lock(impl_->m);
    return impl_->stackSettled(lock);
}

bool SystemMultimedia::waitForSoundfont() {
    impl_->start();
    std::unique_lock lock(impl_->m);
    impl_->cv.wait(lock, [this] { return impl_->soundfontDone; });
    return impl_->fluid != nullptr;
}

bool SystemMultimedia::deviceOpen() const {
    std::lock_guard lock(impl_->m);
    return impl_->device == Impl::Device::Open;
}

bool SystemMultimedia::waitForDevice() {
    std::unique_lock lock(impl_->m);
    return impl_->deviceSettled(lock);
}

AudioFormat SystemMultimedia::audioFormat() const {
    if (!audioAvailable()) return AudioFormat{};
    return AudioFormat{kSampleRate, 2, impl_->callbackFrames.load(std::memory_order_relaxed)};
}

bool SystemMultimedia::preloadSound(std::string_view fileName) {
    Impl& impl = *impl_;
    impl.start();
    std::unique_lock lock(impl.m);
    if (fileName.empty() || !impl.stackSettled(lock)) return false;
    impl.beforeNeed();
    ++impl.holds;
    impl.cv.notify_all();
    const bool ok = impl.deviceSettled(lock) && impl.waves.preload(fileName);
    --impl.holds;
    impl.release();
    return ok;
}

}  // namespace mm
