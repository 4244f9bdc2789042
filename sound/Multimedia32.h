#pragma once

#include <cstdint>
#include <string>

#include "MultimediaService.h"

// The game's sound module: one background tune under the name "midifile" and
// fire-and-forget effects. Every call returns the service's result; the game
// carries on whatever it is.
class Multimedia32 {
public:
    explicit Multimedia32(mm::MultimediaService& service);

    // Plays an effect without waiting, unless one still sounds. Empty: no-op.
    std::int32_t WavePlay(const std::string& fileName);
    // Replaces the tune. Empty: no-op.
    std::int32_t MidiOpen(const std::string& path);
    // Resumes (or starts) the tune where it stands.
    std::int32_t MidiPlay();
    std::int32_t MidiStop();
    std::int32_t MidiClose();

private:
    mm::MultimediaService& service_;
};
