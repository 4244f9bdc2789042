#include "FluidSequencer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "TunePresets.h"

namespace mm {
namespace {

constexpr const char* soundfontFolder = "/usr/share/sounds/sf2";
constexpr const char* defaultSoundfont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr double gameGain = 0.76;
// FluidR3_GM, the other General MIDI soundfont Debian offers in its place,
// plays the same tunes about 5 dB louder: at the game's gain they would clip.
constexpr const char* louderSoundfont = "FluidR3_GM.sf2";
constexpr double louderSoundfontGain = 0.44;
// A resume after a short stop may meet the reverb still ringing from before;
// a quick fade in hides where it was cut.
constexpr double fadeInSeconds = 0.005;
// Dither leaves a bit or two moving in silence.
constexpr int silentSample = 2;

// fluidsynth writes its warnings straight to stderr; the game reports sound
// trouble itself, in one line, so the library is kept quiet.
// (A static's initialiser rather than std::call_once, whose thread-local
// state would make the sound module need the dynamic loader's TLS entry point
// by name, which packaging checks reject.)
void silenceFluidLog() {
    static const bool silenced = [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
        return true;
    }();
    (void)silenced;
}

bool isReadableFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::string findSoundfont() {
    if (const char* env = std::getenv("ZANRAI_SOUNDFONT"); env != nullptr && *env != '\0') {
        return isReadableFile(env) ? std::string(env) : std::string();
    }
    if (isReadableFile(gameSoundfont)) return gameSoundfont;
    if (isReadableFile(defaultSoundfont)) return defaultSoundfont;
    std::vector<std::string> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(soundfontFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const auto& p = it->path();
        if (p.extension() == ".sf2" && isReadableFile(p)) found.push_back(p.string());
    }
    if (found.empty()) return {};
    // Sorted so that the choice does not depend on directory order.
    std::sort(found.begin(), found.end());
    return found.front();
}

void applyGameSynthSettings(fluid_settings_t* settings, double sampleRate,
                            const std::string& soundfontPath) {
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    // Puts both tunes at about -20 LUFS through the game's soundfont, the
    // effects a few LU above them (measured by the loudness test). The
    // system default is usually a link, so the file's own name is compared.
    std::error_code ec;
    const bool louder = std::filesystem::canonical(soundfontPath, ec).filename() == louderSoundfont;
    fluid_settings_setnum(settings, "synth.gain", louder ? louderSoundfontGain : gameGain);
    // The tunes send reverb on every channel: a hall around the ensemble.
    fluid_settings_setint(settings, "synth.reverb.active", 1);
    fluid_settings_setnum(settings, "synth.reverb.room-size", 0.5);
    fluid_settings_setnum(settings, "synth.reverb.damp", 0.4);
    fluid_settings_setnum(settings, "synth.reverb.width", 0.8);
    fluid_settings_setnum(settings, "synth.reverb.level", 0.6);
    // No channel of the tunes sends to the chorus: it would cost time in
    // every audio period for nothing.
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    // Only the samples of the presets in use are read, so a large soundfont
    // costs what the tunes' instruments take, not the whole bank.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    // The player's own reset at a tune's start would select the piano on
    // every channel and load it, and the drum kit, whatever the tune plays
    // (16 MiB of FluidR3_GM); the game resets the channels itself.
    fluid_settings_setint(settings, "player.reset-synth", 0);
}

std::unique_ptr<FluidSequencer> FluidSequencer::create(const std::string& soundfontPath,
                                                       double sampleRate, std::string& error) {
    silenceFluidLog();
    std::unique_ptr<FluidSequencer> seq(new FluidSequencer);
    seq->settings_ = new_fluid_settings();
    if (seq->settings_ == nullptr) {
        error = "cannot create synthesizer settings";
        return nullptr;
    }
    applyGameSynthSettings(seq->settings_, sampleRate, soundfontPath);
    seq->fadeOutStep_ = -1.0 / (fadeOutSeconds * sampleRate);
    seq->fadeInStep_ = 1.0 / (fadeInSeconds * sampleRate);
    seq->synth_ = new_fluid_synth(seq->settings_);
    if (seq->synth_ == nullptr) {
        error = "cannot create the synthesizer";
        return nullptr;
    }
    if (soundfontPath.empty()) {
        error = "no General MIDI soundfont found";
        return nullptr;
    }
    // No preset selected on the channels: that would load the piano's samples.
    if (fluid_synth_sfload(seq->synth_, soundfontPath.c_str(), 0) == FLUID_FAILED) {
        error = "cannot load soundfont " + soundfontPath;
        return nullptr;
    }
    return seq;
}

FluidSequencer::~FluidSequencer() {
    for (auto& [handle, seq] : players_) {
        fluid_player_stop(seq.player);
        delete_fluid_player(seq.player);
    }
    players_.clear();
    if (synth_ != nullptr) delete_fluid_synth(synth_);
    if (settings_ != nullptr) delete_fluid_settings(settings_);
}

void pinPresets(fluid_synth_t* synth, const std::set<std::pair<int, int>>& wanted,
                std::set<std::pair<int, int>>& pinned) {
    fluid_sfont_t* font = fluid_synth_get_sfont(synth, 0);
    if (font == nullptr) return;
    const int id = fluid_sfont_get_id(font);
    // What the synthesizer falls back to for an instrument the soundfont
    // lacks: the percussion kit 0, or the same program in bank 0, or 0.
    std::set<std::pair<int, int>> found;
    for (const auto& [bank, program] : wanted) {
        if (fluid_sfont_get_preset(font, bank, program) != nullptr)
            found.emplace(bank, program);
        else if (bank == 128 || fluid_sfont_get_preset(font, 0, program) == nullptr)
            found.emplace(bank == 128 ? 128 : 0, 0);
        else
            found.emplace(0, program);
    }
    // The previous tune's instruments go first, so the two tunes' samples are
    // never in memory together; those both use stay loaded.
    for (auto it = pinned.begin(); it != pinned.end();) {
        if (found.count(*it) != 0) {
            ++it;
            continue;
        }
        fluid_synth_unpin_preset(synth, id, it->first, it->second);
        it = pinned.erase(it);
    }
    for (const auto& [bank, program] : found) {
        if (pinned.count({bank, program}) == 0 &&
            fluid_synth_pin_preset(synth, id, bank, program) == FLUID_OK)
            pinned.emplace(bank, program);
    }
}

SeqError FluidSequencer::open(const std::string&, const std::vector<std::uint8_t>& smf,
                              Handle& handle) {
    const SeqError opened = openUnprepared(smf, handle);
    if (opened == SeqError::None) prepare(handle);
    return opened;
}

SeqError FluidSequencer::openUnprepared(const std::vector<std::uint8_t>& smf, Handle& handle) {
    std::uint16_t defaultChannels = 0;
    std::set<std::pair<int, int>> presets = tunePresets(smf, &defaultChannels);
    std::lock_guard lock(mutex_);
    fluid_player_t* player = new_fluid_player(synth_);
    if (player == nullptr) return SeqError::NoDevice;
    fluid_player_set_playback_callback(player, &FluidSequencer::passPlayerEvent, this);
    // The player keeps its own copy, so the file is not read again at play time
    // and a file replaced on disk after open changes nothing.
    if (fluid_player_add_mem(player, smf.data(), smf.size()) != FLUID_OK) {
        delete_fluid_player(player);
        return SeqError::NoDevice;
    }
    handle = next_++;
    Sequence seq;
    seq.player = player;
    seq.presets = std::move(presets);
    seq.defaultChannels = defaultChannels;
    players_.emplace(handle, std::move(seq));
    return SeqError::None;
}

void FluidSequencer::prepare(Handle handle) {
    std::lock_guard pins(pinMutex_);
    std::set<std::pair<int, int>> wanted;
    {
        std::lock_guard lock(mutex_);
        const auto it = players_.find(handle);
        if (it == players_.end() || it->second.prepared) return;
        wanted = it->second.presets;
    }
    // Not under mutex_: loading samples holds the synthesizer's own lock for
    // milliseconds, and play, stop and close of the new tune must not wait.
    pinPresets(synth_, wanted, pinned_);
    std::lock_guard lock(mutex_);
    const auto it = players_.find(handle);
    if (it == players_.end()) return;
    Sequence& seq = it->second;
    seq.prepared = true;
    if (seq.playWhenPrepared) {
        seq.playWhenPrepared = false;
        startPlayer(seq);
    }
}

SeqError FluidSequencer::play(Handle handle) {
    std::lock_guard lock(mutex_);
    const auto it = players_.find(handle);
    if (it == players_.end()) return SeqError::AliasNotOpen;
    Sequence& seq = it->second;
    if (!seq.prepared) {
        seq.playWhenPrepared = true;
        return SeqError::None;
    }
    return startPlayer(seq);
}

SeqError FluidSequencer::startPlayer(Sequence& seq) {
    // fluidsynth would start a finished tune over; here play continues from
    // the current position, and at the end there is nothing left to hear.
    if (fluid_player_get_status(seq.player) == FLUID_PLAYER_DONE && !seq.paused) {
        return SeqError::None;
    }
    seq.paused = false;
    if (gainStep_ < 0.0) {
        seq.startAfterFade = true;
        return SeqError::None;
    }
    if (fluid_player_get_status(seq.player) == FLUID_PLAYER_READY) resetChannels(seq);
    if (muted_) unmute();
    return fluid_player_play(seq.player) == FLUID_OK ? SeqError::None : SeqError::NoDevice;
}

SeqError FluidSequencer::stop(Handle handle) {
    std::lock_guard lock(mutex_);
    const auto it = players_.find(handle);
    if (it == players_.end()) return SeqError::AliasNotOpen;
    // fluid_player_stop keeps the position for the next play.
    Sequence& seq = it->second;
    if (!seq.prepared) {
        // It has not sounded yet, so there is nothing to silence.
        seq.playWhenPrepared = false;
        return SeqError::None;
    }
    if (fluid_player_get_status(seq.player) == FLUID_PLAYER_PLAYING) {
        fluid_player_stop(seq.player);
        seq.paused = true;
    }
    seq.startAfterFade = false;
    fadeOut();
    return SeqError::None;
}

// What the player's reset would do, but selecting only the instruments the
// tune plays without choosing them; a channel the previous tune left
// programmed lets its instrument go.
void FluidSequencer::resetChannels(const Sequence& seq) {
    constexpr int resetAllControllers = 121, volumeController = 7, panController = 10,
                  bankSelectController = 0;
    for (int channel = 0; channel < fluid_synth_count_midi_channels(synth_); ++channel) {
        fluid_synth_all_sounds_off(synth_, channel);
        fluid_synth_unset_program(synth_, channel);
        fluid_synth_cc(synth_, channel, resetAllControllers, 0);
        fluid_synth_cc(synth_, channel, bankSelectController, 0);
        fluid_synth_cc(synth_, channel, volumeController, 100);
        fluid_synth_cc(synth_, channel, panController, 64);
        if (channel < 16 && ((seq.defaultChannels >> channel) & 1u) != 0)
            fluid_synth_program_change(synth_, channel, 0);
    }
}

// The player only releases its notes, which would leave sustained notes
// ringing through a pause, and cutting them at once clicks: the output fades
// and render() cuts the voices once it is silent.
void FluidSequencer::fadeOut() {
    if (!muted_) gainStep_ = fadeOutStep_;
}

void FluidSequencer::finishFade() {
    fluid_synth_all_notes_off(synth_, -1);
    fluid_synth_all_sounds_off(synth_, -1);
    muted_ = true;
    tailDrained_ = false;
    gain_ = 0.0;
    gainStep_ = 0.0;
    for (auto& [handle, seq] : players_) {
        if (!seq.startAfterFade) continue;
        seq.startAfterFade = false;
        if (muted_) unmute();
        fluid_player_play(seq.player);
    }
}

void FluidSequencer::unmute() {
    muted_ = false;
    gain_ = tailDrained_ ? 1.0 : 0.0;
    gainStep_ = tailDrained_ ? 0.0 : fadeInStep_;
}

void FluidSequencer::applyGain(std::int16_t* out, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (gainStep_ != 0.0) {
            gain_ = std::clamp(gain_ + gainStep_, 0.0, 1.0);
            if (gain_ == 1.0) gainStep_ = 0.0;
        }
        for (int c = 0; c < 2; ++c) {
            out[2 * i + c] = static_cast<std::int16_t>(std::lround(out[2 * i + c] * gain_));
        }
    }
}

// A stopped player silences the channels it played at once, on a sample,
// in the next render; while the output fades out, their voices are left to
// the fade, which cuts them once it is silent. Called within render().
int FluidSequencer::passPlayerEvent(void* self, fluid_midi_event_t* event) {
    auto* seq = static_cast<FluidSequencer*>(self);
    constexpr int controlChange = 0xB0, allSoundOff = 120;
    if (seq->gainStep_ < 0.0 && fluid_midi_event_get_type(event) == controlChange &&
        fluid_midi_event_get_control(event) == allSoundOff)
        return FLUID_OK;
    return fluid_synth_handle_midi_event(seq->synth_, event);
}

void FluidSequencer::close(Handle handle) {
    std::lock_guard lock(mutex_);
    const auto it = players_.find(handle);
    if (it == players_.end()) return;
    fluid_player_stop(it->second.player);
    delete_fluid_player(it->second.player);
    players_.erase(it);
    fadeOut();
}

bool FluidSequencer::anyPlaying() const {
    return std::any_of(players_.begin(), players_.end(), [](const auto& entry) {
        return fluid_player_get_status(entry.second.player) == FLUID_PLAYER_PLAYING;
    });
}

bool FluidSequencer::synthesizing() const {
    std::lock_guard lock(mutex_);
    return !(muted_ && tailDrained_);
}

bool FluidSequencer::render(std::int16_t* out, int frames) {
    std::lock_guard lock(mutex_);
    if (frames <= 0 || (muted_ && tailDrained_)) return false;
    fluid_synth_write_s16(synth_, frames, out, 0, 2, out, 1, 2);
    const auto loudest = [&] {
        return std::abs(int{*std::max_element(
            out, out + std::ptrdiff_t{2} * frames,
            [](std::int16_t a, std::int16_t b) { return std::abs(int{a}) < std::abs(int{b}); })});
    };
    if (muted_) {
        // The reverb rings on unheard until it has died away, so a later
        // resume does not start in the middle of an old tail.
        tailDrained_ = loudest() <= silentSample;
        std::fill(out, out + std::ptrdiff_t{2} * frames, std::int16_t{0});
        return true;
    }
    if (gain_ == 1.0 && gainStep_ == 0.0) {
        // The tune has ended by itself once no player plays; when its last
        // notes and the reverb have died away there is nothing left to render.
        if (!anyPlaying() && fluid_synth_get_active_voice_count(synth_) == 0 &&
            loudest() <= silentSample) {
            muted_ = true;
            tailDrained_ = true;
        }
        return true;
    }
    applyGain(out, frames);
    if (gain_ == 0.0 && gainStep_ < 0.0) finishFade();
    return true;
}

int FluidSequencer::positionTicks(Handle handle) const {
    std::lock_guard lock(mutex_);
    const auto it = players_.find(handle);
    return it == players_.end() ? -1 : fluid_player_get_current_tick(it->second.player);
}

bool FluidSequencer::isPlaying(Handle handle) const {
    std::lock_guard lock(mutex_);
    const auto it = players_.find(handle);
    return it != players_.end() &&
           fluid_player_get_status(it->second.player) == FLUID_PLAYER_PLAYING;
}

void FluidSequencer::waitForFadeOut(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard lock(mutex_);
            if (gainStep_ >= 0.0) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace mm
