#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

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

    // Opens and prepares at once.
    SeqError open(const std::string& path, const std::vector<std::uint8_t>& smf,
                  Handle& handle) override;
    // Opens without preparing: a play before prepare() is held until then,
    // and stop and close of such a sequence never wait for the synthesizer.
    SeqError openUnprepared(const std::vector<std::uint8_t>& smf, Handle& handle);
    // Loads and pins the samples of every instrument the tune selects, so the
    // audio thread never reads the soundfont when the tune starts or changes
    // instrument; releases those of the previous tune that this one does not
    // use. Can take milliseconds: run it off the audio and UI threads.
    void prepare(Handle handle);
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
    // Serialises prepare(); guards pinned_.
    std::mutex pinMutex_;
    std::set<std::pair<int, int>> pinned_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    struct Sequence {
        // The tune's instruments, pinned by prepare(); a play asked for
        // before then waits for it.
        std::set<std::pair<int, int>> presets;
        bool prepared = false;
        bool playWhenPrepared = false;
        fluid_player_t* player = nullptr;
        // Set by stop while playing. A player that is done without having been
        // paused has reached its end.
        bool paused = false;
    };
    SeqError startPlayer(Sequence& seq);
    std::map<Handle, Sequence> players_;
    Handle next_ = 1;
};

// Pins the samples of the wanted (bank, program) presets of the synthesizer's
// top soundfont, falling back as a program change would for one the font
// lacks, and unpins those in pinned that are no longer wanted; pinned is
// updated. New pins come first, so a preset in both sets stays loaded.
void pinPresets(fluid_synth_t* synth, std::set<std::pair<int, int>> wanted,
                std::set<std::pair<int, int>>& pinned);

}  // namespace mm
