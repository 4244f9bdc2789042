#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "SequencerCommands.h"

namespace mm {

// A sequencer that makes no sound: it keeps each sequence's position in
// abstract steps and logs what it was asked, so tests can ask what would be
// heard. Time moves only when advance() is called.
class MemorySequencerDevice final : public SequencerDevice {
public:
    struct Event {
        enum class Kind { Open, Play, Stop, Close };
        Kind kind;
        std::string path;  // of the sequence concerned
        bool operator==(const Event&) const = default;
    };

    struct Sequence {
        std::string path;
        std::uint32_t position = 0;
        std::uint32_t length = 0;
        bool playing = false;
    };

    // Every sequence opened from now on lasts this many steps.
    std::uint32_t sequenceLength = 100;
    // When set, open fails with this error, as a machine without sound would.
    std::optional<SeqError> failOpenWith;

    SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                  Handle& handle) override;
    SeqError play(Handle handle) override;
    SeqError stop(Handle handle) override;
    void close(Handle handle) override;

    // Moves every playing sequence on; one that reaches its end falls silent
    // and stays at the end.
    void advance(std::uint32_t steps);

    const std::vector<Event>& events() const { return events_; }
    // The path of a sequence that is sounding now, if any.
    std::optional<std::string> playingPath() const;
    std::size_t openCount() const { return sequences_.size(); }
    const Sequence* find(Handle handle) const;
    const Sequence* findByPath(const std::string& path) const;

private:
    std::map<Handle, Sequence> sequences_;
    std::vector<Event> events_;
    Handle next_ = 1;
};

}  // namespace mm
