#pragma once

#include <QDir>
#include <QFile>
#include <QString>
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

namespace faults {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

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
        for (auto it = commands.rbegin(); it != commands.rend(); ++it)
            if (std::string_view(it->first).starts_with(prefix)) return it->second;
        return std::nullopt;
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

// The smallest soundfont of the system folder, so that loading takes no time.
inline std::string smallestSoundfont() {
    std::string best;
    std::uintmax_t bestSize = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/usr/share/sounds/sf2", ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->path().extension() != ".sf2" || !it->is_regular_file(ec)) continue;
        const auto size = std::filesystem::file_size(it->path(), ec);
        if (!ec && (best.empty() || size < bestSize)) best = it->path().string(), bestSize = size;
    }
    return best;
}

}  // namespace faults
