// Writes the game's four data files into the folder given on the command
// line: the two pieces of music as MIDI files and the two sound effects as
// WAV files, under the names the game opens.

#include "DataFiles.h"
#include "Effects.h"
#include "Music.h"
#include "Wav.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    f.close();
    if (f) return true;
    std::fprintf(stderr, "zanrai_data_gen: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        const std::string in = dir + '/';
        const bool ok =
            write(in + data_files::tune, music::chase()) &&
            write(in + data_files::specialTune, music::procession()) &&
            write(in + data_files::cut, wav::encode(effects::cut(), effects::sampleRate)) &&
            write(in + data_files::deflect, wav::encode(effects::deflect(), effects::sampleRate));
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zanrai_data_gen: %s\n", e.what());
        return 1;
    }
}
