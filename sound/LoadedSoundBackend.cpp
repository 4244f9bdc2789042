#include "LoadedSoundBackend.h"

#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <utility>

#include "BackendFile.h"
#include "ProcessEnd.h"
#include "SequencerErrors.h"
#include "SoundBackendEntry.h"

namespace mm {

struct LoadedSoundBackend::Shared {
    explicit Shared(std::string p) : path(std::move(p)) {}

    enum State : int { NotStarted, Loading, Loaded, Failed };

    const std::string path;
    std::atomic<int> state{NotStarted};
    // The loaded service, for effects from the window's thread; cleared
    // before the service ends.
    std::atomic<MultimediaService*> effects{nullptr};

    // The commands on their way, one writer (the window's thread moves
    // `head`) and one reader (the sound thread moves `tail`). A Start sends
    // five, so this holds fifty Starts made while the back end still loads.
    static constexpr std::uint32_t ringSize = 256;
    std::array<std::string, ringSize> ring;
    std::atomic<std::uint32_t> head{0};
    std::atomic<std::uint32_t> tail{0};
    // Bumped for every command and for finishing; the sound thread sleeps on
    // it.
    std::atomic<std::uint32_t> events{0};
    std::atomic<bool> finishing{false};
    // When loading began, to tell the player once that it is stuck.
    std::atomic<std::chrono::steady_clock::rep> loadingSince{0};
    bool stallReported = false;  // the window's thread only

    // Only for settle() and finish(), which the game does not call while it
    // plays.
    std::mutex m;
    std::condition_variable cv;
    std::uint32_t ran = 0;
    bool ended = false;

    std::thread thread;

    void wake() {
        events.fetch_add(1, std::memory_order_release);
        events.notify_one();
    }
    void note(auto&& change) {
        {
            std::lock_guard lock(m);
            change();
        }
        cv.notify_all();
    }
};

namespace {

// Loading takes well under a second even on a busy machine; a back end still
// loading after this is stuck (a file that hangs in the kernel).
constexpr auto stalled = std::chrono::seconds(3);

// The service from the back end's file, or nullptr after one line on stderr.
std::unique_ptr<MultimediaService> loadBackend(const std::string& path) {
    std::string why;
    const int fd = openSoundBackendFile(path, why);
    std::unique_ptr<MultimediaService> service;
    if (fd >= 0) {
        // The file that was checked, not whatever the path names by now.
        const std::string checked = "/proc/self/fd/" + std::to_string(fd);
        // RTLD_LOCAL: the back end's copies of the sound code stay its own.
        void* library = dlopen(checked.c_str(), RTLD_NOW | RTLD_LOCAL);
        ::close(fd);
        if (library == nullptr) {
            const char* error = dlerror();
            why = error != nullptr ? error : "cannot be loaded";
            // Said with the name the player knows.
            if (why.starts_with(checked)) why.replace(0, checked.size(), path);
        } else if (auto make =
                       reinterpret_cast<MakeSoundBackend>(dlsym(library, soundBackendEntry))) {
            try {
                service.reset(make());
                if (!service) why = path + ": " + soundBackendEntry + " returned no sound service";
            } catch (...) {
                why = path + ": the sound service did not start";
            }
        } else {
            why = path + ": lacks " + soundBackendEntry;
        }
    }
    if (!service) std::fprintf(stderr, "zanrai: no sound: %s\n", why.c_str());
    return service;
}

}  // namespace

LoadedSoundBackend::LoadedSoundBackend(std::string path)
    : shared_(std::make_shared<Shared>(std::move(path))) {}

LoadedSoundBackend::~LoadedSoundBackend() {
    if (!finished_) finish(std::chrono::milliseconds(500));
}

void LoadedSoundBackend::beginLoading() {
    Shared& s = *shared_;
    if (s.state.load() != Shared::NotStarted) return;
    s.state.store(Shared::Loading);
    s.loadingSince.store(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        s.thread = std::thread([shared = shared_] { run(shared); });
    } catch (...) {
        std::fprintf(stderr, "zanrai: no sound: cannot start the sound thread\n");
        s.note([&] { s.state.store(Shared::Failed); });
    }
}

void LoadedSoundBackend::run(const std::shared_ptr<Shared>& shared) {
    Shared& s = *shared;
    // Named, so a profile or /proc tells it from the window's thread.
    pthread_setname_np(pthread_self(), "zanrai-snd-cmd");
    std::unique_ptr<MultimediaService> service = loadBackend(s.path);
    s.note([&] {
        s.effects.store(service.get(), std::memory_order_release);
        s.state.store(service ? Shared::Loaded : Shared::Failed);
    });
    for (;;) {
        const std::uint32_t seen = s.events.load(std::memory_order_acquire);
        const bool last = s.finishing.load(std::memory_order_acquire);
        for (std::uint32_t t = s.tail.load(std::memory_order_relaxed);
             t != s.head.load(std::memory_order_acquire); ++t) {
            const std::string command = std::move(s.ring[t % Shared::ringSize]);
            s.tail.store(t + 1, std::memory_order_release);
            if (service) service->sendString(command);
            s.note([&] { ++s.ran; });
        }
        if (last) break;
        s.events.wait(seen, std::memory_order_acquire);
    }
    // The last commands (Exit stops and closes the music) have run: the
    // service ends here, fading its output out.
    service.reset();
    s.note([&] { s.ended = true; });
}

std::uint32_t LoadedSoundBackend::sendString(std::string_view command) {
    Shared& s = *shared_;
    beginLoading();
    const int state = s.state.load();
    if (state == Shared::Failed || s.finishing.load()) return toCode(SeqError::NoDevice);
    if (state == Shared::Loading && !s.stallReported &&
        std::chrono::steady_clock::now().time_since_epoch().count() - s.loadingSince.load() >
            std::chrono::steady_clock::duration(stalled).count()) {
        s.stallReported = true;
        std::fprintf(stderr, "zanrai: no sound yet: %s is still loading\n", s.path.c_str());
    }
    const std::uint32_t h = s.head.load(std::memory_order_relaxed);
    if (h - s.tail.load(std::memory_order_acquire) == Shared::ringSize)
        return toCode(SeqError::NoDevice);
    s.ring[h % Shared::ringSize].assign(command);
    s.head.store(h + 1, std::memory_order_release);
    s.wake();
    return 0;
}

std::int32_t LoadedSoundBackend::playSound(std::string_view fileName, std::uint32_t flags) {
    beginLoading();
    MultimediaService* service = shared_->effects.load(std::memory_order_acquire);
    return service != nullptr ? service->playSound(fileName, flags) : 0;
}

bool LoadedSoundBackend::settle() {
    Shared& s = *shared_;
    beginLoading();
    const std::uint32_t sent = s.head.load();
    std::unique_lock lock(s.m);
    s.cv.wait(lock, [&] {
        const int state = s.state.load();
        return (state == Shared::Loaded || state == Shared::Failed) && s.ran == sent;
    });
    return s.state.load() == Shared::Loaded;
}

bool LoadedSoundBackend::finish(std::chrono::milliseconds limit) {
    Shared& s = *shared_;
    finished_ = true;
    if (!s.thread.joinable()) return true;
    s.effects.store(nullptr, std::memory_order_release);
    s.finishing.store(true, std::memory_order_release);
    s.wake();
    std::unique_lock lock(s.m);
    const bool ended = s.cv.wait_for(lock, limit, [&] { return s.ended; });
    lock.unlock();
    // Not ended in time: a loader stuck in the kernel (said when it was
    // noticed), or a back end slow to let go of its device; either way the
    // program ends without it.
    if (ended) {
        s.thread.join();
    } else {
        lifetime::threadLeftBehind();
        s.thread.detach();
    }
    return ended;
}

}  // namespace mm
