#include "SystemMultimedia.h"

#include <SDL.h>
#include <pthread.h>

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
#include "SequencerCommands.h"
#include "WavePlayer.h"

namespace mm {
namespace {

using Clock = std::chrono::steady_clock;

// How long the device stays open once nothing needs it: long enough for a
// stopped tune's release and for Reset followed by Start, short enough that
// an idle window soon holds nothing.
constexpr auto linger = std::chrono::milliseconds(250);

// SDL's audio subsystem is process-wide, so only one service may own it.
std::atomic<bool> g_audioClaimed{false};

}  // namespace

struct SystemMultimedia::Impl final : SequencerDevice {
    explicit Impl(int framesPerPeriod);
    ~Impl() override;

    enum class Stack { NotStarted, Starting, Ready, NoAudio };
    enum class Device { Closed, Opening, Open, Closing };
    enum class Font { NotWanted, Loading, Done };
    struct Effect {
        std::string name;
        std::uint32_t flags = 0;
    };

    void run();
    void startAudio();
    void loadSoundfont();
    bool openDevice();
    void warnOnce(const std::string& message);
    bool wanted() const { return musicNeeds || pendingEffect.has_value() || holds > 0; }
    // Called with the lock held before something starts to need the device:
    // a new need may try a device that failed to open before.
    void beforeNeed() {
        if (!wanted()) openFailed = false;
        wantStack();
    }
    void wantStack() {
        if (stack == Stack::NotStarted && !stackWanted) {
            stackWanted = true;
            cv.notify_all();
        }
    }
    void release() {
        releasedAt = Clock::now();
        cv.notify_all();
    }
    bool stackSettled(std::unique_lock<std::mutex>& lock);
    bool soundfontSettled(std::unique_lock<std::mutex>& lock);
    bool deviceSettled(std::unique_lock<std::mutex>& lock);
    std::int32_t requestEffect(std::string_view name, std::uint32_t flags);
    void noteCommand(SeqCommand::Verb verb);

    // SequencerDevice: waits for the soundfont, then hands over to fluidsynth.
    SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                  Handle& handle) override;
    SeqError play(Handle handle) override;
    SeqError stop(Handle handle) override;
    void close(Handle handle) override;

    bool claimed = false;
    bool sdlStarted = false;  // written by the thread, read after it is joined
    std::atomic<bool> warned{false};
    // Opened and closed by the service's thread only.
    AudioOutput output;

    // Guards everything below. Never taken on the audio thread, so holding it
    // while handing an effect to the output cannot deadlock.
    mutable std::mutex m;
    std::condition_variable cv;
    std::thread worker;
    std::thread loader;
    Stack stack = Stack::NotStarted;
    bool stackWanted = false;
    Font font = Font::NotWanted;
    Device device = Device::Closed;
    bool musicOnOutput = false;
    bool musicNeeds = false;  // from an open or play command to a stop or close
    std::optional<Effect> pendingEffect;
    int holds = 0;  // callers waiting for the device
    bool openFailed = false;
    bool quitting = false;
    Clock::time_point releasedAt{};
    std::deque<Handle> toPrepare;
    // Set once by the loader; destroyed after it is joined.
    std::unique_ptr<FluidSequencer> fluid;

    WavePlayer waves{output};
    SequencerInterpreter interpreter{*this};
};

SystemMultimedia::Impl::Impl(int framesPerPeriod) : output(framesPerPeriod) {
    if (g_audioClaimed.exchange(true)) {
        warnOnce("another sound service is already active; this one stays silent");
        stack = Stack::NoAudio;
        font = Font::Done;
        return;
    }
    claimed = true;
    try {
        worker = std::thread([this] { run(); });
    } catch (...) {
        stack = Stack::NoAudio;
        font = Font::Done;
        warnOnce("cannot start the sound thread; sound is off");
    }
}

SystemMultimedia::Impl::~Impl() {
    {
        std::lock_guard lock(m);
        quitting = true;
        cv.notify_all();
    }
    if (worker.joinable()) worker.join();
    if (loader.joinable()) loader.join();
    // Exit stops and closes the music just before: let its fade reach silence,
    // and the device play what was rendered ahead.
    if (fluid && output.isOpen()) {
        fluid->waitForFadeOut(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(
            1000 * AudioOutput::musicBlockFrames / AudioOutput::sampleRate + 1));
    }
    // The device goes first, so no callback sees the synthesizer or a clip
    // being freed.
    output.close();
    interpreter.closeAll();
    fluid.reset();
    waves.clear();
    if (sdlStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (claimed) g_audioClaimed.store(false);
}

void SystemMultimedia::Impl::warnOnce(const std::string& message) {
    if (!warned.exchange(true)) std::fprintf(stderr, "zanrai: %s\n", message.c_str());
}

void SystemMultimedia::Impl::startAudio() {
    // SDL would otherwise take over SIGINT and SIGTERM from the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    silenceAlsaMessages();
    sdlStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!sdlStarted)
        warnOnce(std::string("no audio device (") + SDL_GetError() + "); sound is off");
}

void SystemMultimedia::Impl::run() {
    // Named, so a profile or /proc tells it from the window's thread.
    pthread_setname_np(pthread_self(), "zanrai-sound");
    std::unique_lock lock(m);
    while (!quitting) {
        if (stack == Stack::NotStarted) {
            if (!stackWanted) {
                cv.wait(lock);
                continue;
            }
            stack = Stack::Starting;
            lock.unlock();
            startAudio();
            lock.lock();
            stack = sdlStarted ? Stack::Ready : Stack::NoAudio;
            if (!sdlStarted) font = Font::Done;
            cv.notify_all();
            continue;
        }
        if (stack != Stack::Ready) {
            pendingEffect.reset();
            cv.wait(lock);
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
        if (device == Device::Open && fluid && !musicOnOutput) {
            FluidSequencer* seq = fluid.get();
            lock.unlock();
            output.setMusic(seq);
            lock.lock();
            musicOnOutput = true;
            continue;
        }
        // After the device: an effect never waits for a tune's instruments.
        // A play is held until they are in, so the audio callback never reads
        // the soundfont.
        if (!toPrepare.empty()) {
            const Handle handle = toPrepare.front();
            toPrepare.pop_front();
            FluidSequencer* seq = fluid.get();
            lock.unlock();
            if (seq != nullptr) seq->prepare(handle);
            lock.lock();
            continue;
        }
        if (device == Device::Open && !wanted()) {
            // An effect may still ring out; it ends without telling anyone,
            // so this looks a few times a second, and only until the device
            // is closed.
            if (Clock::now() - releasedAt >= linger && !output.sounding()) {
                device = Device::Closing;
                lock.unlock();
                output.close();
                lock.lock();
                device = Device::Closed;
                musicOnOutput = false;
                cv.notify_all();
                continue;
            }
            cv.wait_for(lock, linger);
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
    std::string error;
    std::unique_ptr<FluidSequencer> seq;
    try {
        seq = FluidSequencer::create(findSoundfont(), AudioOutput::sampleRate, error);
    } catch (...) {
        error = "out of memory loading the soundfont";
    }
    if (!seq) warnOnce(error + "; music is off");
    std::lock_guard lock(m);
    fluid = std::move(seq);
    font = Font::Done;
    cv.notify_all();
}

bool SystemMultimedia::Impl::openDevice() {
    std::string error;
    if (!output.open(error)) {
        warnOnce("cannot open audio (" + error + "); sound is off");
        return false;
    }
    return true;
}

bool SystemMultimedia::Impl::stackSettled(std::unique_lock<std::mutex>& lock) {
    wantStack();
    cv.wait(lock, [this] { return stack == Stack::Ready || stack == Stack::NoAudio; });
    return stack == Stack::Ready;
}

bool SystemMultimedia::Impl::soundfontSettled(std::unique_lock<std::mutex>& lock) {
    if (!stackSettled(lock)) return false;
    if (font == Font::NotWanted) {
        // On a thread of its own: a large soundfont takes a moment, and the
        // service's thread meanwhile opens the device for effects.
        font = Font::Loading;
        try {
            loader = std::thread([this] { loadSoundfont(); });
        } catch (...) {
            font = Font::Done;
            warnOnce("cannot start the soundfont loader; music is off");
        }
    }
    cv.wait(lock, [this] { return font == Font::Done; });
    return fluid != nullptr;
}

bool SystemMultimedia::Impl::deviceSettled(std::unique_lock<std::mutex>& lock) {
    cv.wait(lock, [this] {
        return quitting || stack == Stack::NoAudio || device == Device::Open ||
               (device == Device::Closed && (openFailed || !wanted()));
    });
    return device == Device::Open;
}

SeqError SystemMultimedia::Impl::open(const std::string&, const std::vector<std::uint8_t>& smf,
                                      Handle& handle) {
    std::unique_lock lock(m);
    if (!soundfontSettled(lock)) return SeqError::NoDevice;
    FluidSequencer* seq = fluid.get();
    // Not under the lock: the synthesizer may be busy loading the last
    // tune's instruments, and an effect request must not wait for that.
    lock.unlock();
    const SeqError opened = seq->openUnprepared(smf, handle);
    lock.lock();
    if (opened != SeqError::None) return opened;
    // The instruments load on the sound thread, so neither this thread nor
    // the audio callback reads the soundfont.
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
    // The output takes the clip without a lock: it starts with the next
    // audio period.
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

SystemMultimedia::SystemMultimedia(int framesPerPeriod)
    : impl_(std::make_unique<Impl>(framesPerPeriod)) {}

SystemMultimedia::~SystemMultimedia() = default;

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
    std::unique_lock lock(impl_->m);
    return impl_->stackSettled(lock);
}

bool SystemMultimedia::waitForSoundfont() {
    std::unique_lock lock(impl_->m);
    return impl_->soundfontSettled(lock);
}

bool SystemMultimedia::soundfontLoaded() const {
    std::lock_guard lock(impl_->m);
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
    return AudioFormat{AudioOutput::sampleRate, 2, impl_->output.bufferFrames()};
}

bool SystemMultimedia::effectSounding() const {
    std::lock_guard lock(impl_->m);
    return impl_->device == Impl::Device::Open && impl_->output.sounding();
}

bool SystemMultimedia::preloadSound(std::string_view fileName) {
    Impl& impl = *impl_;
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

void SystemMultimedia::tapOutput(AudioOutput::Tap tap, void* arg) {
    // Changed only between periods; the output may be opening meanwhile.
    std::unique_lock lock(impl_->m);
    impl_->cv.wait(lock, [this] {
        return impl_->device == Impl::Device::Open || impl_->device == Impl::Device::Closed;
    });
    impl_->output.setTap(tap, arg);
}

}  // namespace mm
