#include "SequencerCommands.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "DataFile.h"

namespace mm {
namespace {

constexpr std::size_t maxMidiFileBytes = std::size_t{8} * 1024 * 1024;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Only ASCII is folded: paths may hold UTF-8, whose bytes must stay untouched.
std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i])) ++i;
        const std::size_t start = i;
        while (i < s.size() && !isBlank(s[i])) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// Finds the last "type" that stands as a word of its own, with a blank on both
// sides. Taking the last one lets a path contain " type " itself.
std::size_t findLastTypeWord(std::string_view s) {
    constexpr std::string_view typeWord = "type";
    if (s.size() < typeWord.size() + 2) return std::string_view::npos;
    for (std::size_t i = s.size() - typeWord.size() - 1; i >= 1; --i) {
        if (isBlank(s[i - 1]) && isBlank(s[i + typeWord.size()]) &&
            equalsNoCase(s.substr(i, typeWord.size()), typeWord)) {
            return i;
        }
    }
    return std::string_view::npos;
}

SeqError parseOpenTail(std::string_view tail, SeqCommand& out) {
    const auto w = words(tail);
    if (w.size() != 4 || !equalsNoCase(w[0], "type") || !equalsNoCase(w[1], "sequencer") ||
        !equalsNoCase(w[2], "alias")) {
        return SeqError::BadSyntax;
    }
    out.alias = lower(w[3]);
    return SeqError::None;
}

SeqError parseOpen(std::string_view rest, SeqCommand& out) {
    out.verb = SeqCommand::Verb::Open;
    if (rest.empty()) return SeqError::BadSyntax;
    std::string_view path;
    std::string_view tail;
    if (rest.front() == '"') {
        const std::size_t close = rest.find('"', 1);
        if (close == std::string_view::npos) return SeqError::BadSyntax;
        path = rest.substr(1, close - 1);
        tail = rest.substr(close + 1);
        if (tail.empty() || !isBlank(tail.front())) return SeqError::BadSyntax;
    } else {
        // The path runs up to the last "type": cutting it at its first blank
        // would break folders with spaces in their names.
        const std::size_t type = findLastTypeWord(rest);
        if (type == std::string_view::npos) return SeqError::BadSyntax;
        path = trim(rest.substr(0, type));
        tail = rest.substr(type);
    }
    if (path.empty()) return SeqError::BadSyntax;
    out.path = std::string(path);
    return parseOpenTail(tail, out);
}

}  // namespace

bool looksLikeMidiFile(const std::vector<std::uint8_t>& b) {
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
               (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
    };
    auto be16 = [&](std::size_t at) {
        return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
    };
    auto tagAt = [&](std::size_t at, std::string_view tag) {
        return std::equal(
            tag.begin(), tag.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
            [](char t, std::uint8_t byte) { return static_cast<std::uint8_t>(t) == byte; });
    };
    if (b.size() < 14 || !tagAt(0, "MThd")) return false;
    const std::uint32_t headerLength = be32(4);
    if (headerLength < 6 || headerLength > b.size()) return false;
    const std::uint16_t format = be16(8);
    const std::uint16_t tracks = be16(10);
    const std::uint16_t division = be16(12);
    if (format > 2 || tracks == 0 || division == 0) return false;
    const std::size_t firstTrack = 8 + std::size_t{headerLength};
    return firstTrack + 8 <= b.size() && tagAt(firstTrack, "MTrk");
}

SeqError loadMidiFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    FileStamp stamp;
    switch (readDataFile(path, maxMidiFileBytes, bytes, stamp)) {
        case DataFileError::None: break;
        case DataFileError::Missing:
        case DataFileError::Unreadable: return SeqError::CannotOpenFile;
        case DataFileError::NotRegular:
            // A FIFO or device must never hold up a Start; say why it is silent.
            reportDataFileProblem(path, stamp, describe(DataFileError::NotRegular));
            return SeqError::CannotOpenFile;
        case DataFileError::TooLarge:
            reportDataFileProblem(path, stamp, describe(DataFileError::TooLarge));
            return SeqError::NotMidiFile;
    }
    return looksLikeMidiFile(bytes) ? SeqError::None : SeqError::NotMidiFile;
}

SeqError parseSeqCommand(std::string_view command, SeqCommand& out) {
    out = SeqCommand{};
    const std::string_view s = trim(command);
    if (s.empty()) return SeqError::BadSyntax;
    std::size_t verbEnd = 0;
    while (verbEnd < s.size() && !isBlank(s[verbEnd])) ++verbEnd;
    const std::string_view verb = s.substr(0, verbEnd);
    const std::string_view rest = trim(s.substr(verbEnd));

    if (equalsNoCase(verb, "open")) return parseOpen(rest, out);

    if (equalsNoCase(verb, "play")) {
        out.verb = SeqCommand::Verb::Play;
    } else if (equalsNoCase(verb, "stop")) {
        out.verb = SeqCommand::Verb::Stop;
    } else if (equalsNoCase(verb, "close")) {
        out.verb = SeqCommand::Verb::Close;
    } else {
        return SeqError::UnknownCommand;
    }
    const auto w = words(rest);
    if (w.size() != 1) return SeqError::BadSyntax;
    out.alias = lower(w[0]);
    return SeqError::None;
}

SequencerInterpreter::SequencerInterpreter(SequencerDevice& device, FileLoader loader)
    : device_(device), loader_(std::move(loader)) {}

SequencerInterpreter::~SequencerInterpreter() { closeAll(); }

SeqError SequencerInterpreter::execute(std::string_view command,
                                       std::optional<SeqCommand::Verb>* verb) noexcept {
    try {
        SeqCommand cmd;
        const SeqError parsed = parseSeqCommand(command, cmd);
        if (parsed != SeqError::None) return parsed;
        if (verb) *verb = cmd.verb;
        std::lock_guard lock(mutex_);
        return run(cmd);
    } catch (...) {
        // Out of memory or a throwing loader: the game carries on without music.
        return SeqError::NoDevice;
    }
}

SeqError SequencerInterpreter::run(const SeqCommand& cmd) {
    if (cmd.verb == SeqCommand::Verb::Open) {
        if (open_.count(cmd.alias) != 0) return SeqError::AliasAlreadyOpen;
        std::vector<std::uint8_t> bytes;
        const SeqError loaded = loader_ ? loader_(cmd.path, bytes) : SeqError::CannotOpenFile;
        if (loaded != SeqError::None) return loaded;
        SequencerDevice::Handle handle = 0;
        const SeqError opened = device_.open(cmd.path, bytes, handle);
        if (opened != SeqError::None) return opened;
        open_.emplace(cmd.alias, handle);
        return SeqError::None;
    }
    const auto it = open_.find(cmd.alias);
    if (it == open_.end()) return SeqError::AliasNotOpen;
    switch (cmd.verb) {
        case SeqCommand::Verb::Play: return device_.play(it->second);
        case SeqCommand::Verb::Stop: return device_.stop(it->second);
        case SeqCommand::Verb::Close:
            device_.close(it->second);
            open_.erase(it);
            return SeqError::None;
        case SeqCommand::Verb::Open: break;
    }
    return SeqError::BadSyntax;
}

void SequencerInterpreter::closeAll() noexcept {
    std::lock_guard lock(mutex_);
    for (const auto& [alias, handle] : open_) device_.close(handle);
    open_.clear();
}

bool SequencerInterpreter::isOpen(std::string_view alias) const {
    std::lock_guard lock(mutex_);
    return open_.count(lower(alias)) != 0;
}

std::size_t SequencerInterpreter::openCount() const {
    std::lock_guard lock(mutex_);
    return open_.size();
}

}  // namespace mm
