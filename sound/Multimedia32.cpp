#include "Multimedia32.h"

namespace {

constexpr std::uint32_t effectFlags = mm::SND_ASYNC | mm::SND_NODEFAULT | mm::SND_NOSTOP;

// Same 32 bits, read as signed: error codes keep their value for the caller.
std::int32_t asResult(std::uint32_t code) { return static_cast<std::int32_t>(code); }

}  // namespace

Multimedia32::Multimedia32(mm::MultimediaService& service) : service_(service) {}

std::int32_t Multimedia32::WavePlay(const std::string& fileName) {
    if (fileName.empty()) return 0;
    return service_.playSound(fileName, effectFlags);
}

std::int32_t Multimedia32::MidiOpen(const std::string& path) {
    if (path.empty()) return 0;
    // Whatever tune was there goes first; these fail when none was, which is
    // fine and ignored.
    service_.sendString("stop midifile ");
    service_.sendString("close midifile");
    return asResult(service_.sendString("open " + path + " type sequencer alias midifile"));
}

std::int32_t Multimedia32::MidiPlay() {
    // The stop first makes play resume rather than be refused while playing,
    // and silences any held note.
    service_.sendString("STOP MIDIFILE ");
    return asResult(service_.sendString("play midifile"));
}

std::int32_t Multimedia32::MidiStop() { return asResult(service_.sendString("stop midifile ")); }

std::int32_t Multimedia32::MidiClose() { return asResult(service_.sendString("close midifile")); }
