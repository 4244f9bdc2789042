#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

// The library's type names only, from its own header: users of this one
// need none of its functions.
#include <fluidsynth/types.h>

#include "SequencerCommands.h"

namespace mm {

// The General MIDI soundfont the game is voiced and mixed for. At 5.7 MiB it
// keeps the whole game within its memory budget, which FluidR3_GM's preset
// tables and samples, even loaded on demand, do not.
inline constexpr const char* gameSoundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Picks the General MIDI soundfont: $ZANRAI_SOUNDFONT when set (and nothing
// else, so tests can point at a small one or at none), otherwise the game's
// own, otherwise the system default, otherwise any .sf2 of the system folder.
// Empty when none is found.
std::string findSoundfont();

// Everything the game sets on its synthesizer: rate, output gain (for the
// soundfont it will load), effects and how samples are loaded. Whatever
// renders the game's music for measuring calls this too, so a measurement
// hears what a player hears.
void applyGameSynthSettings(fluid_settings_t* settings, double sampleRate,
                            const std::string& soundfontPath);

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
    // Stop and close fade the output out over fadeOutSeconds before the
    // voices are cut, so no note ends in a click. A play asked for during
    // the fade starts when it is over.
    SeqError stop(Handle handle) override;
    void close(Handle handle) override;

    static constexpr double fadeOutSeconds = 0.007;

    // Fills frames of interleaved 16-bit stereo and returns true, or returns
    // false and leaves the buffer untouched while nothing sounds: no sequence
    // plays and the last notes and the reverb have died away, after a stop
    // or at the tune's end. So a game whose music has ended costs no
    // synthesis.
    bool render(std::int16_t* interleavedStereo, int frames);
    // Whether render() runs the synthesizer.
    bool synthesizing() const;

    // Position of a sequence in MIDI ticks, -1 for an unknown handle.
    int positionTicks(Handle handle) const;
    bool isPlaying(Handle handle) const;

    // Waits, at most the given time, for a fade begun by stop or close to
    // end; for whoever is about to take the audio output away.
    void waitForFadeOut(std::chrono::milliseconds limit) const;

private:
    FluidSequencer() = default;
    static int passPlayerEvent(void* self, fluid_midi_event_t* event);
    void fadeOut();
    void applyGain(std::int16_t* out, int frames);
    void finishFade();
    void unmute();
    bool anyPlaying() const;

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
        // Channels that play the default instrument, never programmed.
        std::uint16_t defaultChannels = 0;
        bool prepared = false;
        bool playWhenPrepared = false;
        fluid_player_t* player = nullptr;
        // Set by stop while playing. A player that is done without having been
        // paused has reached its end.
        bool paused = false;
        // Asked to play while the output was fading out.
        bool startAfterFade = false;
    };
    SeqError startPlayer(Sequence& seq);
    void resetChannels(const Sequence& seq);
    std::map<Handle, Sequence> players_;
    Handle next_ = 1;

    // The output gain that fades stops out and resumes back in. Muted
    // means the voices were cut, or rang out at the tune's end; the reverb may
    // still ring on unheard until tailDrained_.
    double gain_ = 0.0;
    double gainStep_ = 0.0;  // per frame; negative while fading out
    double fadeOutStep_ = 0.0;
    double fadeInStep_ = 0.0;
    bool muted_ = true;
    bool tailDrained_ = true;
};

// Pins the samples of the wanted (bank, program) presets of the synthesizer's
// top soundfont, falling back as a program change would for one the font
// lacks, and unpins those in pinned that are no longer wanted; pinned is
// updated. A preset in both sets stays loaded.
void pinPresets(fluid_synth_t* synth, const std::set<std::pair<int, int>>& wanted,
                std::set<std::pair<int, int>>& pinned);

}  // namespace mm
