#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SequencerErrors.h"

namespace mm {

// Checks that bytes hold a standard MIDI file: an "MThd" chunk of at least six
// bytes with a known format, at least one track and a non-zero division,
// followed by an "MTrk" chunk.
bool looksLikeMidiFile(const std::vector<std::uint8_t>& bytes);

// Reads a whole file and checks it with looksLikeMidiFile, never blocking on
// it: only a regular file is read (a FIFO or device is CannotOpenFile). Files
// larger than a few megabytes are refused unread: no game tune comes near that.
SeqError loadMidiFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// What actually makes the music. The interpreter owns the names; a device only
// sees handles of sequences it opened.
class SequencerDevice {
public:
    using Handle = std::uint32_t;
    virtual ~SequencerDevice() = default;

    // smf holds the whole file, already checked. On success sets handle. The
    // new sequence is positioned at its beginning and silent.
    virtual SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                          Handle& handle) = 0;
    // Plays once from the current position and returns at once. Playing an
    // already playing sequence changes nothing.
    virtual SeqError play(Handle handle) = 0;
    // Pauses where it is and silences any held note.
    virtual SeqError stop(Handle handle) = 0;
    virtual void close(Handle handle) = 0;
};

// The parsed form of a command, exposed so the grammar can be tested on its own.
struct SeqCommand {
    enum class Verb { Open, Play, Stop, Close };
    Verb verb = Verb::Play;
    std::string alias;  // lower case
    std::string path;   // open only, bytes as given (quotes removed)
};

// Parses one command; returns None and fills out, or the error.
SeqError parseSeqCommand(std::string_view command, SeqCommand& out);

// Runs command strings against a device. Thread-safe; never throws.
class SequencerInterpreter {
public:
    using FileLoader =
        std::function<SeqError(const std::string& path, std::vector<std::uint8_t>& bytes)>;

    // The device must outlive the interpreter, or closeAll() must run first.
    explicit SequencerInterpreter(SequencerDevice& device, FileLoader loader = loadMidiFile);
    ~SequencerInterpreter();
    SequencerInterpreter(const SequencerInterpreter&) = delete;
    SequencerInterpreter& operator=(const SequencerInterpreter&) = delete;

    // verb, when given, receives the verb of a command that could be parsed,
    // so a caller that must react to it need not parse the command again.
    SeqError execute(std::string_view command,
                     std::optional<SeqCommand::Verb>* verb = nullptr) noexcept;

    // Closes every open sequence on the device.
    void closeAll() noexcept;

    bool isOpen(std::string_view alias) const;
    std::size_t openCount() const;

private:
    SeqError run(const SeqCommand& cmd);

    SequencerDevice& device_;
    FileLoader loader_;
    mutable std::mutex mutex_;
    std::map<std::string, SequencerDevice::Handle> open_;
};

}  // namespace mm
