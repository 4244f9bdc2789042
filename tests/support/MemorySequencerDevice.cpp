#include "MemorySequencerDevice.h"

#include <algorithm>

namespace mm {

SeqError MemorySequencerDevice::open(const std::string& path, const std::vector<std::uint8_t>&,
                                     Handle& handle) {
    if (failOpenWith) return *failOpenWith;
    handle = next_++;
    sequences_[handle] = Sequence{path, 0, sequenceLength, false};
    events_.push_back({Event::Kind::Open, path});
    return SeqError::None;
}

SeqError MemorySequencerDevice::play(Handle handle) {
    const auto it = sequences_.find(handle);
    if (it == sequences_.end()) return SeqError::AliasNotOpen;
    Sequence& s = it->second;
    events_.push_back({Event::Kind::Play, s.path});
    // At the end there is nothing left to play: no wrapping round.
    s.playing = s.position < s.length;
    return SeqError::None;
}

SeqError MemorySequencerDevice::stop(Handle handle) {
    const auto it = sequences_.find(handle);
    if (it == sequences_.end()) return SeqError::AliasNotOpen;
    it->second.playing = false;
    events_.push_back({Event::Kind::Stop, it->second.path});
    return SeqError::None;
}

void MemorySequencerDevice::close(Handle handle) {
    const auto it = sequences_.find(handle);
    if (it == sequences_.end()) return;
    events_.push_back({Event::Kind::Close, it->second.path});
    sequences_.erase(it);
}

void MemorySequencerDevice::advance(std::uint32_t steps) {
    for (auto& [handle, s] : sequences_) {
        if (!s.playing) continue;
        s.position = s.length - s.position <= steps ? s.length : s.position + steps;
        if (s.position >= s.length) s.playing = false;
    }
}

std::optional<std::string> MemorySequencerDevice::playingPath() const {
    for (const auto& [handle, s] : sequences_) {
        if (s.playing) return s.path;
    }
    return std::nullopt;
}

const MemorySequencerDevice::Sequence* MemorySequencerDevice::find(Handle handle) const {
    const auto it = sequences_.find(handle);
    return it == sequences_.end() ? nullptr : &it->second;
}

const MemorySequencerDevice::Sequence* MemorySequencerDevice::findByPath(
    const std::string& path) const {
    const auto it = std::find_if(sequences_.begin(), sequences_.end(),
                                 [&](const auto& entry) { return entry.second.path == path; });
    return it == sequences_.end() ? nullptr : &it->second;
}

}  // namespace mm
