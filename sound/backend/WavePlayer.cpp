#include "WavePlayer.h"

#include "MultimediaService.h"
#include "WavHeader.h"

namespace mm {

const std::vector<std::uint8_t>* WavePlayer::checkedBytes(const std::string& path) {
    if (const auto it = unread_.find(path); it != unread_.end()) {
        if (it->second.first == stampOf(path)) return &it->second.second;
        unread_.erase(it);
    }
    // A file that failed stays failed until it changes; a file written or
    // repaired later still plays.
    if (const auto bad = failed_.find(path); bad != failed_.end() && bad->second == stampOf(path))
        return nullptr;
    std::vector<std::uint8_t> wav;
    FileStamp stamp;
    const DataFileError read = readDataFile(path, maxEffectBytes, wav, stamp);
    if (read != DataFileError::None) {
        // A missing effect is plain silence, as it always was; the rest is
        // worth one line.
        if (read != DataFileError::Missing) reportDataFileProblem(path, stamp, describe(read));
    } else if (const WavProblem p = checkWavHeader(wav.data(), wav.size()); p != WavProblem::None) {
        reportDataFileProblem(path, stamp, describe(p));
    } else {
        failed_.erase(path);
        return &(unread_[path] = {stamp, std::move(wav)}).second;
    }
    failed_[path] = stamp;
    return nullptr;
}

const DecodedClip* WavePlayer::clipFor(const std::string& path) {
    const auto it = cache_.find(path);
    if (it != cache_.end()) return it->second.get();
    const std::vector<std::uint8_t>* wav = checkedBytes(path);
    if (wav == nullptr) return nullptr;
    std::unique_ptr<DecodedClip> clip = output_.decode(path, *wav);
    const FileStamp stamp = unread_[path].first;
    unread_.erase(path);
    if (!clip) {
        reportDataFileProblem(path, stamp, "the sound cannot be decoded");
        failed_[path] = stamp;
        return nullptr;
    }
    return cache_.emplace(path, std::move(clip)).first->second.get();
}

bool WavePlayer::check(std::string_view fileName) {
    try {
        std::lock_guard lock(mutex_);
        const std::string path(fileName);
        return cache_.count(path) != 0 || checkedBytes(path) != nullptr;
    } catch (...) {
        return false;
    }
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
        if (!output_.play(*clip)) return 0;
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

void WavePlayer::clear() {
    std::lock_guard lock(mutex_);
    output_.halt();
    cache_.clear();
    unread_.clear();
}

}  // namespace mm
