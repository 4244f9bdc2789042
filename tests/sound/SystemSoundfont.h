#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace soundtest {

// The smallest soundfont of the system folder, so tests load in a blink rather
// than read a 150 MB bank. Empty when there is none.
inline std::string smallestSoundfont() {
    std::string best;
    std::uintmax_t bestSize = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/usr/share/sounds/sf2", ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->path().extension() != ".sf2") continue;
        const auto size = std::filesystem::file_size(it->path(), ec);
        if (!ec && (best.empty() || size < bestSize)) best = it->path().string(), bestSize = size;
    }
    return best;
}

}  // namespace soundtest
