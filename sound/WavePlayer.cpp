#include "WavePlayer.h"

#include "MultimediaService.h"

namespace mm {

const DecodedClip* WavePlayer::clipFor(const std::string& path) {
    const auto it = cache_.find(path);
    if (it != cache_.end()) return it->second.get();
    // Failures are not remembered: a file written later should still play.
    std::unique_ptr<DecodedClip> clip = output_.decode(path);
    if (!clip) return nullptr;
    return cache_.emplace(path, std::move(clip)).first->second.get();
}

std::int32_t WavePlayer::play(std::string_view fileName, std::uint32_t flags) {
    try {
        std::unique_lock lock(mutex_);
        if (fileName.empty()) {
            output_.halt();
            return 1;
        }
        // Checked before any decoding, so a dropped request stays cheap and the
        // effect already sounding is left alone.
        if ((flags & SND_NOSTOP) != 0 && output_.sounding()) return 0;
        const DecodedClip* clip = clipFor(std::string(fileName));
        // There is no default sound to fall back on, so a missing file is
        // silence whether or not SND_NODEFAULT is given.
        if (clip == nullptr) return 0;
        if (!output_.start(*clip)) return 0;
        if ((flags & SND_ASYNC) == 0) output_.waitUntilSilent();
        return 1;
    } catch (...) {
        return 0;
    }
}

bool WavePlayer::preload(std::string_view fileName) {
    try {
        std::lock_guard lock(mutex_);
        return !fileName.empty() && clipFor(std::string(fileName)) != nullptr;
    } catch (...) {
        return false;
    }
}

std::size_t WavePlayer::cachedCount() const {
    std::lock_guard lock(mutex_);
    return cache_.size();
}

void WavePlayer::clear() {
    std::lock_guard lock(mutex_);
    output_.halt();
    cache_.clear();
}

}  // namespace mm
