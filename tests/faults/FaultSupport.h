#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DataFiles.h"
#include "MultimediaService.h"
#include "TestEnvironment.h"

namespace faults {

using testenv::ScopedEnv;

// Passes every request on to the real service and keeps what it answered, so
// a test can tell whether the music really opened and played.
class ObservedSound final : public mm::MultimediaService {
public:
    explicit ObservedSound(mm::MultimediaService& inner) : inner_(inner) {}

    std::uint32_t sendString(std::string_view command) override {
        const std::uint32_t result = inner_.sendString(command);
        commands.emplace_back(std::string(command), result);
        return result;
    }
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override {
        const std::int32_t result = inner_.playSound(fileName, flags);
        sounds.emplace_back(std::string(fileName), result);
        return result;
    }

    // The answer to the last command that starts with prefix.
    std::optional<std::uint32_t> lastResult(std::string_view prefix) const {
        const auto last = std::find_if(commands.rbegin(), commands.rend(), [&](const auto& c) {
            return std::string_view(c.first).starts_with(prefix);
        });
        if (last == commands.rend()) return std::nullopt;
        return last->second;
    }
    // How many requests for a file whose name ends with suffix were started.
    int started(std::string_view suffix) const {
        int n = 0;
        for (const auto& [file, result] : sounds)
            if (std::string_view(file).ends_with(suffix) && result != 0) ++n;
        return n;
    }
    int requested(std::string_view suffix) const {
        int n = 0;
        for (const auto& [file, result] : sounds)
            if (std::string_view(file).ends_with(suffix)) ++n;
        return n;
    }

    std::vector<std::pair<std::string, std::uint32_t>> commands;
    std::vector<std::pair<std::string, std::int32_t>> sounds;

private:
    mm::MultimediaService& inner_;
};

// Copies the generated data files into folder, which is created.
inline bool copyDataFiles(const QString& folder) {
    if (!QDir().mkpath(folder)) return false;
    for (const char* name : data_files::all) {
        const QString from = QStringLiteral(ZANRAI_DATA_DIR "/") + QLatin1String(name);
        const QString to = folder + QLatin1Char('/') + QLatin1String(name);
        QFile::remove(to);
        if (!QFile::copy(from, to)) return false;
    }
    return true;
}

}  // namespace faults
