#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "MultimediaService.h"

namespace mm {

// The program's way to the sound back end (SoundBackendEntry.h): the real
// service lives in a shared object of its own, with SDL2,
// FluidSynth and the forty-odd libraries they pull in, so that the program
// links none of them and maps its window before any is loaded.
//
// Nothing here waits on the caller's thread. A thread of this object's own
// loads the back end (at beginLoading(), or at the first request) and then runs the
// sequencer commands in the order they were sent; so a Start clicked while
// the back end or its soundfont is still loading returns at once, and its
// music begins as soon as the sound side is ready. The window's thread never
// takes a lock that this thread holds: the commands pass through a ring of
// atomics.
//
// Effects go to the back end directly once it is loaded (its playSound
// returns at once), so a cut never queues behind music work; an effect asked
// for before that is dropped, as one is while another still sounds.
//
// A back end that is missing, unusable or cut short gives one line on stderr
// and a silent game. One whose loading never ends (a file stuck in the
// kernel) is left behind: see finish().
//
// sendString and playSound are called from one thread, the window's.
class LoadedSoundBackend final : public MultimediaService {
public:
    explicit LoadedSoundBackend(std::string path);
    // Runs finish() with a short limit if it has not run.
    ~LoadedSoundBackend() override;
    LoadedSoundBackend(const LoadedSoundBackend&) = delete;
    LoadedSoundBackend& operator=(const LoadedSoundBackend&) = delete;

    // Begins loading the back end on the sound thread; harmless when it has
    // begun already.
    void beginLoading();

    // Hands the command to the sound thread and returns 0 (accepted). The
    // back end's own answer arrives later and is not reported: the game
    // ignores it. NoDevice when the back end is known to be missing, or
    // when too many commands wait for one that is still loading.
    std::uint32_t sendString(std::string_view command) override;
    // The back end's answer once it is loaded; 0 (dropped) before.
    std::int32_t playSound(std::string_view fileName, std::uint32_t flags) override;

    // At the program's end: lets the commands sent so far run, then ends
    // the back end, for at most `limit`. False when the sound thread did
    // not get that far (still inside the dynamic loader or the back end):
    // it is left behind, and the process must end without running the
    // loader's exit handlers, which would wait for it: it says so to
    // lifetime::mayEndNormally.
    bool finish(std::chrono::milliseconds limit);

private:
    friend struct LoadedSoundBackendProbe;
    // Blocks until the back end has loaded or failed to and every command
    // sent so far has run; true when it is loaded. For tests only, through
    // LoadedSoundBackendProbe: the game never waits for sound.
    bool settle();

    struct Shared;
    static void run(const std::shared_ptr<Shared>& shared);

    // Shared with the thread, which may outlive this object (left behind).
    std::shared_ptr<Shared> shared_;
    bool finished_ = false;
};

}  // namespace mm
