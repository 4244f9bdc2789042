#include "DesktopBeep.h"

#include <dlfcn.h>
#include <pthread.h>
#include <QApplication>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <canberra.h>

#include "ProcessEnd.h"

namespace {

// libcanberra reached through the dynamic loader: linking it would load it
// and its libraries at every start, for a sound heard at game over on one
// kind of desktop.
struct Canberra {
    decltype(&ca_context_create) create = nullptr;
    decltype(&ca_context_change_props) changeProps = nullptr;
    decltype(&ca_context_play) play = nullptr;
    ca_context* context = nullptr;

    bool open() {
        void* library = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return false;
        create = reinterpret_cast<decltype(create)>(dlsym(library, "ca_context_create"));
        changeProps =
            reinterpret_cast<decltype(changeProps)>(dlsym(library, "ca_context_change_props"));
        play = reinterpret_cast<decltype(play)>(dlsym(library, "ca_context_play"));
        if (create == nullptr || changeProps == nullptr || play == nullptr) return false;
        if (create(&context) != CA_SUCCESS) return false;
        changeProps(context, CA_PROP_APPLICATION_NAME, "Zanrai", CA_PROP_APPLICATION_ID,
                    "io.github.zanrai.Zanrai", nullptr);
        return true;
    }
};

// One thread, started at the first alert. Alerts asked for while one is
// being played are one alert.
class AlertPlayer {
public:
    void ring() {
        {
            std::lock_guard lock(m_);
            if (!started_) {
                started_ = true;
                try {
                    std::thread([this] { run(); }).detach();
                } catch (...) {
                    return;
                }
                // Inside libcanberra it may be in the dynamic loader.
                lifetime::watchThread([this] { return busy_.load(); });
            }
            wanted_ = true;
        }
        cv_.notify_one();
    }

private:
    void run() {
        pthread_setname_np(pthread_self(), "zanrai-alert");
        Canberra canberra;
        bool opened = false;
        bool tried = false;
        for (;;) {
            {
                std::unique_lock lock(m_);
                cv_.wait(lock, [this] { return wanted_; });
                wanted_ = false;
            }
            busy_.store(true);
            if (!tried) {
                tried = true;
                opened = canberra.open();
            }
            // Without a sound server (or a theme) this fails at once and the
            // beep is silent, as the X bell is without a speaker.
            if (opened)
                canberra.play(canberra.context, 0, CA_PROP_EVENT_ID, "bell",
                              CA_PROP_EVENT_DESCRIPTION, "Game over", nullptr);
            busy_.store(false);
        }
    }

    std::mutex m_;
    std::condition_variable cv_;
    bool started_ = false;
    bool wanted_ = false;
    std::atomic<bool> busy_{false};
};

// Never destroyed: its thread runs until the process ends.
AlertPlayer& alertPlayer() {
    static auto* const player = new AlertPlayer;
    return *player;
}

}  // namespace

BeepKind beepFor(QStringView platformName) {
    return platformName.startsWith(u"wayland") ? BeepKind::AlertSound : BeepKind::XBell;
}

std::function<void()> desktopBeep(QStringView platformName) {
    if (beepFor(platformName) == BeepKind::AlertSound) return [] { alertPlayer().ring(); };
    return [] { QApplication::beep(); };
}
