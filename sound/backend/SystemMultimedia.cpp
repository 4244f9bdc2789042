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
#include <vector>

#include "AlsaMessages.h"
#include "FluidSequencer.h"
#include "SequencerCommands.h"
#include "SoundProbes.h"
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

    enum class Stack { NotStarted, Ready, NoAudio };
    enum class Font { NotWanted, Loading, Done };

    // An answer from the service's thread to a caller that waits for it.
    // (Not std::promise: its call_once reaches a thread-local of libstdc++,
    // which would make the module need the dynamic loader itself as a
    // library, ld-linux, that no package's dependency names.)
    struct Reply {
        std::mutex mutex;
        std::condition_variable ready;
        std::optional<std::uint32_t> value;
        // Under the lock, so the waiter cannot return and free this before
        // the notification is done.
        void setValue(std::uint32_t v) {
            const std::lock_guard lock(mutex);
            value = v;
            ready.notify_one();
        }
        std::uint32_t get() {
            std::unique_lock lock(mutex);
            ready.wait(lock, [this] { return value.has_value(); });
            return *value;
        }
    };

    // What the queue carries. A request with a reply is answered on the
    // service's thread, at once or once the state it waits for is reached.
    struct Request {
        enum class Kind {
            Command,     // text; replied with its result
            Effect,      // text, flags: an effect asked for while the device was closed
            FontLoaded,  // font: from the soundfont's loader
            WantStack,   // replied 1 when SDL's audio is up
            WantFont,    // replied 1 when the soundfont is loaded
            WaitDevice,  // replied 1 when the device is open
            Hold,        // as WaitDevice, and keeps the device open until Release
            Release,     //
            Tap,         // tap, tapArg
            Quit,
        };
        Kind kind = Kind::Quit;
        std::string text{};
        std::uint32_t flags = 0;
        Reply* reply = nullptr;
        std::unique_ptr<FluidSequencer> font{};
        AudioOutput::Tap tap = nullptr;
        void* tapArg = nullptr;
    };

    // From any thread.
    void post(Request request);
    std::uint32_t ask(Request request);
    std::int32_t requestEffect(std::string_view name, std::uint32_t flags);
    void warnOnce(const std::string& message);

    // The service's thread.
    void run();
    void handle(Request& request);
    void runCommand(Request& command);
    void advance();
    void startAudio();
    void loadSoundfont();
    void openDevice();
    bool closeDeviceIfIdle();
    void answerWaiters();
    void answerAll();
    bool wanted() const { return musicNeeds || pendingEffect.has_value() || holds > 0; }
    // Before something starts to need the device: a new need may try a
    // device that failed to open before.
    void need() {
        if (!wanted()) openFailed = false;
        if (stack == Stack::NotStarted) stackWanted = true;
    }
    void release() { releasedAt = Clock::now(); }
    void publish();

    // SequencerDevice, for the interpreter on the service's thread; an open
    // runs only once the soundfont is settled.
    SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                  Handle& handle) override;
    SeqError play(Handle handle) override;
    SeqError stop(Handle handle) override;
    void close(Handle handle) override;

    bool claimed = false;
    std::atomic<bool> warned{false};
    AudioOutput output;
    WavePlayer waves{output};
    SequencerInterpreter interpreter{*this};

    // The queue: held only to add a request or to take them all.
    std::mutex queueMutex;
    std::condition_variable queued;
    std::deque<Request> queue;

    std::thread worker;
    std::thread loader;

    // What the other threads read of the service's state.
    std::atomic<bool> noAudio{false};
    std::atomic<bool> fontLoaded{false};
    // The open device, for effects: set once the device is open and its
    // waiting effect handed over, cleared before it closes.
    std::atomic<bool> deviceOpen{false};
    std::atomic<int> effectsInFlight{0};
    // An effect waits in the queue for the device (SND_NOSTOP drops another).
    std::atomic<bool> effectQueued{false};
    // The device would not open for this game.
    std::atomic<bool> silenced{false};

    // The service's thread only.
    Stack stack = Stack::NotStarted;
    bool stackWanted = false;
    bool sdlStarted = false;
    Font font = Font::NotWanted;
    std::unique_ptr<FluidSequencer> fluid;
    bool musicOnOutput = false;
    bool musicNeeds = false;  // from an open or play command to a stop or close
    std::optional<Request> pendingEffect;
    int holds = 0;
    bool openFailed = false;
    Clock::time_point releasedAt{};
    std::deque<Handle> toPrepare;
    std::deque<Request> afterFont;  // commands from an open on, until the soundfont is in
    std::vector<Request> waiters;
    bool quitting = false;
};

SystemMultimedia::Impl::Impl(int framesPerPeriod) : output(framesPerPeriod) {
    if (g_audioClaimed.exchange(true)) {
        warnOnce("another sound service is already active; this one stays silent");
        stack = Stack::NoAudio;
        font = Font::Done;
        noAudio = true;
        return;
    }
    claimed = true;
    try {
        worker = std::thread([this] { run(); });
    } catch (...) {
        stack = Stack::NoAudio;
        font = Font::Done;
        noAudio = true;
        warnOnce("cannot start the sound thread; sound is off");
    }
}

SystemMultimedia::Impl::~Impl() {
    if (worker.joinable()) {
        post(Request{.kind = Request::Kind::Quit});
        worker.join();
    }
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

void SystemMultimedia::Impl::post(Request request) {
    {
        std::lock_guard lock(queueMutex);
        queue.push_back(std::move(request));
    }
    queued.notify_one();
}

std::uint32_t SystemMultimedia::Impl::ask(Request request) {
    Reply reply;
    request.reply = &reply;
    post(std::move(request));
    return reply.get();
}

void SystemMultimedia::Impl::run() {
    // Named, so a profile or /proc tells it from the window's thread.
    pthread_setname_np(pthread_self(), "zanrai-sound");
    std::deque<Request> taken;
    while (!quitting) {
        {
            std::unique_lock lock(queueMutex);
            if (queue.empty() && toPrepare.empty()) {
                // An effect may still ring out on a device nobody needs; it
                // ends without telling anyone, so this looks a few times a
                // second, and only until the device is closed.
                if (output.isOpen() && !wanted())
                    queued.wait_for(lock, linger);
                else
                    queued.wait(lock);
            }
            taken.swap(queue);
        }
        // After a Quit too: what was sent before it is answered.
        for (Request& request : taken) handle(request);
        taken.clear();
        if (!quitting) advance();
    }
    answerAll();
    // SDL keeps per-thread state (its error text) that it frees by itself
    // only for threads it made.
    SDL_TLSCleanup();
}

void SystemMultimedia::Impl::handle(Request& request) {
    using Kind = Request::Kind;
    switch (request.kind) {
        case Kind::Command:
            // In order: once one waits for the soundfont, the rest wait too.
            if (!afterFont.empty()) {
                afterFont.push_back(std::move(request));
                break;
            }
            runCommand(request);
            break;
        case Kind::Effect:
            if (request.text.empty()) {
                pendingEffect.reset();
            } else if (stack == Stack::NoAudio) {
                effectQueued = false;
            } else if (output.isOpen()) {
                // Queued while the device was closing or its flag not yet set.
                waves.play(request.text, request.flags | SND_ASYNC);
                effectQueued = false;
                release();
            } else {
                need();
                // The device would not open for this game: silence.
                if (openFailed)
                    effectQueued = false;
                else
                    pendingEffect = std::move(request);
            }
            break;
        case Kind::FontLoaded:
            fluid = std::move(request.font);
            font = Font::Done;
            // Before the commands that waited for it are answered.
            fontLoaded = fluid != nullptr;
            break;
        case Kind::WantStack:
            if (stack == Stack::NotStarted) stackWanted = true;
            waiters.push_back(std::move(request));
            break;
        case Kind::WantFont:
            if (stack == Stack::NotStarted) stackWanted = true;
            if (font == Font::NotWanted) font = Font::Loading;  // started once the stack is up
            waiters.push_back(std::move(request));
            break;
        case Kind::Hold:
            need();
            ++holds;
            waiters.push_back(std::move(request));
            break;
        case Kind::WaitDevice: waiters.push_back(std::move(request)); break;
        case Kind::Release:
            --holds;
            release();
            break;
        case Kind::Tap:
            // Changed only between periods.
            output.setTap(request.tap, request.tapArg);
            request.reply->setValue(1);
            break;
        case Kind::Quit: quitting = true; break;
    }
}

void SystemMultimedia::Impl::runCommand(Request& command) {
    SeqCommand parsed;
    if (parseSeqCommand(command.text, parsed) == SeqError::None &&
        parsed.verb == SeqCommand::Verb::Open && font != Font::Done) {
        // A tune needs the soundfont: it waits here, in the queue's order,
        // while effects and the device go on.
        if (stack == Stack::NotStarted) stackWanted = true;
        if (font == Font::NotWanted) font = Font::Loading;
        afterFont.push_back(std::move(command));
        return;
    }
    std::optional<SeqCommand::Verb> verb;
    const std::uint32_t result = toCode(interpreter.execute(command.text, &verb));
    if (verb) {
        // A game is the time from a tune's open or play to its stop or
        // close, whether or not the tune itself could be opened: its effects
        // need the device all the same.
        const bool needs = *verb == SeqCommand::Verb::Open || *verb == SeqCommand::Verb::Play;
        if (needs) need();
        musicNeeds = needs;
        if (!needs) release();
    }
    publish();
    if (command.reply != nullptr) command.reply->setValue(result);
}

// Moves the state on as far as it goes without waiting: SDL's audio, the
// soundfont, the device, the music on it, the commands that waited for the
// soundfont, the tunes' instruments (one at a time, so a request in the
// queue is not kept waiting for all of them) and the device's end.
void SystemMultimedia::Impl::advance() {
    if (stack == Stack::NotStarted && stackWanted) startAudio();
    if (font == Font::Loading && stack == Stack::NoAudio) font = Font::Done;
    if (font == Font::Loading && stack == Stack::Ready && !loader.joinable()) {
        // On a thread of its own: a large soundfont takes a moment, and this
        // thread meanwhile opens the device for effects.
        try {
            loader = std::thread([this] { loadSoundfont(); });
        } catch (...) {
            font = Font::Done;
            warnOnce("cannot start the soundfont loader; music is off");
        }
    }
    if (font == Font::Done && !afterFont.empty()) {
        std::deque<Request> commands;
        commands.swap(afterFont);
        for (Request& command : commands) runCommand(command);
    }
    if (stack == Stack::Ready && !output.isOpen() && wanted() && !openFailed) openDevice();
    if (output.isOpen() && fluid && !musicOnOutput) {
        output.setMusic(fluid.get());
        musicOnOutput = true;
    }
    publish();
    answerWaiters();
    // After the device: an effect never waits for a tune's instruments. A
    // play is held until they are in, so the audio callback never reads the
    // soundfont.
    if (!toPrepare.empty()) {
        const Handle handle = toPrepare.front();
        toPrepare.pop_front();
        if (fluid) fluid->prepare(handle);
    }
    if (output.isOpen() && !wanted() && closeDeviceIfIdle()) {
        publish();
        answerWaiters();
    }
}

void SystemMultimedia::Impl::publish() {
    noAudio = stack == Stack::NoAudio;
    fontLoaded = fluid != nullptr;
    silenced = !output.isOpen() && openFailed && wanted();
}

void SystemMultimedia::Impl::answerWaiters() {
    std::erase_if(waiters, [this](Request& waiter) {
        using Kind = Request::Kind;
        std::optional<bool> answer;
        switch (waiter.kind) {
            case Kind::WantStack:
                if (stack != Stack::NotStarted) answer = stack == Stack::Ready;
                break;
            case Kind::WantFont:
                if (font == Font::Done) answer = fluid != nullptr;
                break;
            default:  // the device
                if (output.isOpen())
                    answer = true;
                else if (stack == Stack::NoAudio || openFailed || !wanted())
                    answer = false;
                break;
        }
        if (answer) waiter.reply->setValue(*answer ? 1 : 0);
        return answer.has_value();
    });
}

// At the end: whatever still waits is told no.
void SystemMultimedia::Impl::answerAll() {
    for (Request& waiter : waiters) waiter.reply->setValue(0);
    waiters.clear();
    for (Request& command : afterFont)
        if (command.reply != nullptr) command.reply->setValue(toCode(SeqError::NoDevice));
    afterFont.clear();
    std::lock_guard lock(queueMutex);
    for (Request& request : queue)
        if (request.reply != nullptr)
            request.reply->setValue(
                request.kind == Request::Kind::Command ? toCode(SeqError::NoDevice) : 0);
    queue.clear();
}

void SystemMultimedia::Impl::startAudio() {
    // SDL would otherwise take over SIGINT and SIGTERM from the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    silenceAlsaMessages();
    sdlStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    stack = sdlStarted ? Stack::Ready : Stack::NoAudio;
    noAudio = !sdlStarted;
    if (!sdlStarted) {
        warnOnce(std::string("no audio device (") + SDL_GetError() + "); sound is off");
        pendingEffect.reset();
        effectQueued = false;
    }
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
    post(Request{.kind = Request::Kind::FontLoaded, .font = std::move(seq)});
}

void SystemMultimedia::Impl::openDevice() {
    std::string error;
    if (!output.open(error)) {
        warnOnce("cannot open audio (" + error + "); sound is off");
        openFailed = true;
        pendingEffect.reset();
        effectQueued = false;
        return;
    }
    musicOnOutput = false;
    if (pendingEffect) {
        waves.play(pendingEffect->text, pendingEffect->flags | SND_ASYNC);
        pendingEffect.reset();
        release();
    }
    deviceOpen = true;
    effectQueued = false;
}

// Closes the device once it has lingered and the effect channel is silent.
// An effect request may be on its way to the output on another thread: the
// flag goes first, then that request is let through, and the device stays
// if it started something.
bool SystemMultimedia::Impl::closeDeviceIfIdle() {
    if (Clock::now() - releasedAt < linger || output.sounding()) return false;
    deviceOpen = false;
    while (effectsInFlight.load() != 0) std::this_thread::yield();
    if (output.sounding()) {
        deviceOpen = true;
        return false;
    }
    output.close();
    musicOnOutput = false;
    return true;
}

SeqError SystemMultimedia::Impl::open(const std::string&, const std::vector<std::uint8_t>& smf,
                                      Handle& handle) {
    if (!fluid) return SeqError::NoDevice;
    const SeqError opened = fluid->openUnprepared(smf, handle);
    if (opened != SeqError::None) return opened;
    // The instruments load later on this thread, so the audio callback never
    // reads the soundfont.
    toPrepare.push_back(handle);
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

std::int32_t SystemMultimedia::Impl::requestEffect(std::string_view name, std::uint32_t flags) {
    if (noAudio) return 0;
    if ((flags & SND_ASYNC) == 0 && !name.empty()) {
        // The caller asked to wait for the sound, so it may wait for the
        // device too.
        const bool opened = ask(Request{.kind = Request::Kind::Hold}) != 0;
        const std::int32_t result = opened ? waves.play(name, flags) : 0;
        post(Request{.kind = Request::Kind::Release});
        return result;
    }
    // The open device: the output takes the clip without a lock and starts
    // it with the next audio period.
    ++effectsInFlight;
    if (deviceOpen) {
        const std::int32_t result = waves.play(name, flags);
        --effectsInFlight;
        return result;
    }
    --effectsInFlight;
    // The device is closed or on its way: the request waits for it on the
    // service's thread, never here. SND_NOSTOP counts it as sounding already.
    if (name.empty()) {
        effectQueued = false;
        post(Request{.kind = Request::Kind::Effect});
        return 1;
    }
    if ((flags & SND_NOSTOP) != 0 && effectQueued) return 0;
    // The device would not open for this game: silence, until the next need
    // tries again.
    if (silenced) return 0;
    // Answered now as it will be then: a missing or broken file is silence.
    if (!waves.check(name)) return 0;
    if ((flags & SND_NOSTOP) != 0 && effectQueued.exchange(true)) return 0;
    effectQueued = true;
    post(Request{.kind = Request::Kind::Effect, .text = std::string(name), .flags = flags});
    return 1;
}

SystemMultimedia::SystemMultimedia(int framesPerPeriod)
    : impl_(std::make_unique<Impl>(framesPerPeriod)) {}

SystemMultimedia::~SystemMultimedia() = default;

std::uint32_t SystemMultimedia::sendString(std::string_view command) {
    // Without the thread (a second service, or none could start) nothing
    // else touches the interpreter, and no tune can open.
    if (!impl_->worker.joinable()) return toCode(impl_->interpreter.execute(command));
    return impl_->ask(
        Impl::Request{.kind = Impl::Request::Kind::Command, .text = std::string(command)});
}

std::int32_t SystemMultimedia::playSound(std::string_view fileName, std::uint32_t flags) {
    return impl_->requestEffect(fileName, flags);
}

bool SoundProbes::audioAvailable() const {
    if (!impl_.worker.joinable()) return false;
    return impl_.ask(SystemMultimedia::Impl::Request{
               .kind = SystemMultimedia::Impl::Request::Kind::WantStack}) != 0;
}

bool SoundProbes::waitForSoundfont() const {
    if (!impl_.worker.joinable()) return false;
    return impl_.ask(SystemMultimedia::Impl::Request{
               .kind = SystemMultimedia::Impl::Request::Kind::WantFont}) != 0;
}

bool SoundProbes::soundfontLoaded() const { return impl_.fontLoaded; }

bool SoundProbes::deviceOpen() const { return impl_.deviceOpen; }

bool SoundProbes::waitForDevice() const {
    if (!impl_.worker.joinable()) return false;
    return impl_.ask(SystemMultimedia::Impl::Request{
               .kind = SystemMultimedia::Impl::Request::Kind::WaitDevice}) != 0;
}

AudioFormat SoundProbes::audioFormat() const {
    if (!audioAvailable()) return AudioFormat{};
    return AudioFormat{AudioOutput::sampleRate, 2, impl_.output.bufferFrames()};
}

bool SoundProbes::effectSounding() const { return impl_.deviceOpen && impl_.output.sounding(); }

bool SoundProbes::preloadSound(std::string_view fileName) const {
    using Request = SystemMultimedia::Impl::Request;
    if (fileName.empty() || !audioAvailable()) return false;
    const bool opened = impl_.ask(Request{.kind = Request::Kind::Hold}) != 0;
    const bool ok = opened && impl_.waves.preload(fileName);
    impl_.post(Request{.kind = Request::Kind::Release});
    return ok;
}

void SoundProbes::tapOutput(AudioOutput::Tap tap, void* arg) const {
    using Request = SystemMultimedia::Impl::Request;
    if (impl_.worker.joinable())
        impl_.ask(Request{.kind = Request::Kind::Tap, .tap = tap, .tapArg = arg});
    else
        impl_.output.setTap(tap, arg);
}

}  // namespace mm
