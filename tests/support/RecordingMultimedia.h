#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MemorySequencerDevice.h"
#include "MultimediaService.h"
#include "SequencerCommands.h"

namespace mm {

// A silent service for tests of the game. It records every request exactly as
// sent and runs commands through the real interpreter over an in-memory
// sequencer, so results are those a real machine would give. Single-threaded.
class RecordingMultimedia final : public MultimediaService {
public:
    struct SoundRequest {
        std::string fileName;
        std::uint32_t flags;
        bool operator==(const SoundRequest&) const = default;
    };

    RecordingMultimedia();

    std::uint32_t sendString(std::string_view command) override;
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override;

    // Every command and sound request, in order, byte for byte.
    std::vector<std::string> commands;
    std::vector<SoundRequest> sounds;

    // Policy. When commandOverride gives a value, that value is returned and
    // the command does not reach the sequencer.
    std::function<std::optional<std::uint32_t>(std::string_view command)> commandOverride;
    // What playSound returns.
    std::int32_t soundResult = 1;

    // Makes a file exist for open without touching the disk. With no bytes a
    // minimal valid MIDI file is used. Paths not registered are read from disk.
    void addFile(const std::string& path, std::vector<std::uint8_t> bytes = {});

    // Results of the commands, in the same order as commands.
    const std::vector<std::uint32_t>& results() const { return results_; }
    MemorySequencerDevice& device() { return device_; }
    const MemorySequencerDevice& device() const { return device_; }
    const SequencerInterpreter& interpreter() const { return interpreter_; }
    // Path of the sequence sounding now, if any.
    std::optional<std::string> playingPath() const { return device_.playingPath(); }

    static std::vector<std::uint8_t> minimalMidiFile();

private:
    SeqError load(const std::string& path, std::vector<std::uint8_t>& bytes) const;

    std::map<std::string, std::vector<std::uint8_t>> files_;
    std::vector<std::uint32_t> results_;
    MemorySequencerDevice device_;
    SequencerInterpreter interpreter_;
};

}  // namespace mm
