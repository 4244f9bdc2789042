#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A minimal Standard MIDI File writer: tracks collect timed events and are
// serialised with delta times, running status left out for plainness.
namespace midi {

class Track {
public:
    explicit Track(std::string name);

    void tempo(std::uint32_t tick, double beatsPerMinute);
    void timeSignature(std::uint32_t tick, int numerator, int denominatorPower);
    void program(std::uint32_t tick, int channel, int program);
    void controller(std::uint32_t tick, int channel, int number, int value);
    // A note from start for length ticks; overlapping notes of the same key
    // are the caller's business.
    void note(std::uint32_t start, std::uint32_t length, int channel, int key, int velocity);

    // The tick of the last event, the end of track included.
    std::uint32_t endTick() const;
    // Keeps the track open at least until tick (a tail for reverb to ring).
    void extendTo(std::uint32_t tick);

    std::vector<std::uint8_t> chunk() const;

private:
    struct Event {
        std::uint32_t tick;
        int order;  // at equal ticks: meta first, then note-offs, then the rest
        std::vector<std::uint8_t> bytes;
    };
    void add(std::uint32_t tick, int order, std::vector<std::uint8_t> bytes);

    std::vector<Event> events_;
    std::uint32_t end_ = 0;
};

// Format 0 for a single track, format 1 otherwise.
std::vector<std::uint8_t> file(std::uint16_t ticksPerQuarter, const std::vector<Track>& tracks);

}  // namespace midi
