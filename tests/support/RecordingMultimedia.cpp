#include "RecordingMultimedia.h"

namespace mm {

RecordingMultimedia::RecordingMultimedia()
    : interpreter_(device_, [this](const std::string& path, std::vector<std::uint8_t>& bytes) {
          return load(path, bytes);
      }) {}

std::uint32_t RecordingMultimedia::sendString(std::string_view command) {
    commands.emplace_back(command);
    std::uint32_t result = 0;
    std::optional<std::uint32_t> forced;
    if (commandOverride) forced = commandOverride(command);
    result = forced ? *forced : toCode(interpreter_.execute(command));
    results_.push_back(result);
    return result;
}

std::int32_t RecordingMultimedia::playSound(std::string_view fileName, std::uint32_t flags) {
    sounds.push_back({std::string(fileName), flags});
    return soundResult;
}

void RecordingMultimedia::addFile(const std::string& path, std::vector<std::uint8_t> bytes) {
    files_[path] = bytes.empty() ? minimalMidiFile() : std::move(bytes);
}

SeqError RecordingMultimedia::load(const std::string& path,
                                   std::vector<std::uint8_t>& bytes) const {
    const auto it = files_.find(path);
    if (it == files_.end()) return loadMidiFile(path, bytes);
    bytes = it->second;
    return looksLikeMidiFile(bytes) ? SeqError::None : SeqError::NotMidiFile;
}

std::vector<std::uint8_t> RecordingMultimedia::minimalMidiFile() {
    return {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0,    0,    1, 0, 96,  // format 0, one track
        'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0,         // end of track
    };
}

}  // namespace mm
