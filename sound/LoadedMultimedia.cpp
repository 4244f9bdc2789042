#include "LoadedMultimedia.h"

#include <dlfcn.h>

#include <iostream>
#include <utility>

#include "SequencerCommands.h"

namespace mm {

LoadedMultimedia::LoadedMultimedia(std::string modulePath) : modulePath_(std::move(modulePath)) {}

LoadedMultimedia::~LoadedMultimedia() {
    if (loader_.joinable()) loader_.join();
    // The module stays loaded: the service's threads and its destructor are
    // its code, and the process ends soon after.
    service_.reset();
}

void LoadedMultimedia::start() {
    std::lock_guard lock(m_);
    if (started_) return;
    started_ = true;
    loader_ = std::thread([this] { load(); });
}

void LoadedMultimedia::load() {
    std::unique_ptr<MultimediaService> service;
    // RTLD_LOCAL: the module's own copies of the sound code stay its own.
    if (void* module = dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        using Make = MultimediaService* (*)();
        if (auto make = reinterpret_cast<Make>(dlsym(module, kSystemMultimediaEntry)))
            service.reset(make());
        else
            std::cerr << "zanrai: no sound: " << modulePath_ << " lacks " << kSystemMultimediaEntry
                      << '\n';
    } else {
        const char* why = dlerror();
        std::cerr << "zanrai: no sound: " << (why ? why : modulePath_.c_str()) << '\n';
    }
    std::lock_guard lock(m_);
    service_ = std::move(service);
    done_ = true;
    cv_.notify_all();
}

bool LoadedMultimedia::ready() {
    start();
    std::unique_lock lock(m_);
    cv_.wait(lock, [this] { return done_; });
    return service_ != nullptr;
}

std::uint32_t LoadedMultimedia::sendString(std::string_view command) {
    return ready() ? service_->sendString(command) : toCode(SeqError::NoDevice);
}

std::int32_t LoadedMultimedia::playSound(std::string_view fileName, std::uint32_t flags) {
    return ready() ? service_->playSound(fileName, flags) : 0;
}

}  // namespace mm
