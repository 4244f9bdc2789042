#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace testenv {

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

// The smallest soundfont of the system folder, so tests load in a blink rather
// than read a 150 MB bank. Empty when there is none.
inline std::string smallestSoundfont() {
    std::string best;
    std::uintmax_t bestSize = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/usr/share/sounds/sf2", ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().extension() != ".sf2" || !it->is_regular_file(ec)) continue;
        const auto size = std::filesystem::file_size(it->path(), ec);
        if (!ec && (best.empty() || size < bestSize)) best = it->path().string(), bestSize = size;
    }
    return best;
}

// The real sound back end as the tests run it: the smallest soundfont and
// SDL's dummy driver, for the life of the object. Without a soundfont
// ready() is false, and the test skips.
struct RealSoundEnvironment {
    const std::string soundfontPath = smallestSoundfont();
    std::optional<ScopedEnv> soundfont, driver;
    RealSoundEnvironment() {
        if (soundfontPath.empty()) return;
        soundfont.emplace("ZANRAI_SOUNDFONT", soundfontPath);
        driver.emplace("SDL_AUDIODRIVER", "dummy");
    }
    bool ready() const { return soundfont.has_value(); }
};

}  // namespace testenv
