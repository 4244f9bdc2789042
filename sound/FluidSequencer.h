#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "SequencerCommands.h"

// Kept out of the header so users need no fluidsynth include path.
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;

namespace mm {

// Picks the General MIDI soundfont: $ZANRAI_SOUNDFONT when set (and nothing
// else, so tests can point at a small one or at none), otherwise the system
// default, otherwise any .sf2 of the system folder. Empty when none is found.
std::string findSoundfont();

// A software synthesizer with one MIDI player per open sequence. It makes no
// sound by itself: whoever owns the audio output pulls samples with render(),
// which is also what moves the players on. All members are thread-safe.
class FluidSequencer final : public SequencerDevice {
public:
    // Loads the soundfont, which can take a second for a large one. Returns
    // nullptr and fills error on failure.
    static std::unique_ptr<FluidSequencer> create(const std::string& soundfontPath,
                                                  double sampleRate, std::string& error);
    ~FluidSequencer() override;
    FluidSequencer(const FluidSequencer&) = delete;
    FluidSequencer& operator=(const FluidSequencer&) = delete;

    SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                  Handle& handle) override;
    SeqError play(Handle handle) override;
    SeqError stop(Handle handle) override;
    void close(Handle handle) override;

    // Fills frames of interleaved 16-bit stereo. Leaves the buffer untouched
    // while no sequence is open, so an idle game costs no synthesis.
    void render(std::int16_t* interleavedStereo, int frames);

    // Position of a sequence in MIDI ticks, -1 for an unknown handle.
    int positionTicks(Handle handle) const;
    bool isPlaying(Handle handle) const;

private:
    FluidSequencer() = default;

    mutable std::mutex mutex_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    struct Sequence {
        fluid_player_t* player = nullptr;
        // Set by stop while playing. A player that is done without having been
        // paused has reached its end.
        bool paused = false;
    };
    std::map<Handle, Sequence> players_;
    Handle next_ = 1;
};

}  // namespace mm
