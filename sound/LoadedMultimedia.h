#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "MultimediaService.h"

namespace mm {

// The real sound service, kept in a module of its own (SDL2, SDL2_mixer,
// FluidSynth and the forty-odd libraries they pull in) and loaded on a thread
// once start() is called. Loading those libraries with the program cost its
// start about 6 ms of the main thread before the window could be built; this
// way the window is mapped first.
//
// A request before the module has loaded waits for it. Without the module
// every request fails harmlessly, as it does without a sound device, and one
// line goes to stderr.
class LoadedMultimedia final : public MultimediaService {
public:
    explicit LoadedMultimedia(std::string modulePath);
    ~LoadedMultimedia() override;
    LoadedMultimedia(const LoadedMultimedia&) = delete;
    LoadedMultimedia& operator=(const LoadedMultimedia&) = delete;

    // Starts loading; harmless when it has started already.
    void start();
    // Blocks until the module has loaded or failed to; true when loaded.
    bool ready();

    std::uint32_t sendString(std::string_view command) override;
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override;

private:
    void load();

    const std::string modulePath_;
    std::mutex m_;
    std::condition_variable cv_;
    bool started_ = false;
    bool done_ = false;
    std::unique_ptr<MultimediaService> service_;
    std::thread loader_;
};

// The name of the module's entry point: extern "C", takes nothing and returns
// a new, started service that the caller owns.
inline constexpr char kSystemMultimediaEntry[] = "zanrai_make_system_multimedia";
// The module's file name, beside the program.
inline constexpr char kSystemMultimediaModule[] = "zanrai_system_sound.so";

}  // namespace mm
