#pragma once

#include "LoadedSoundBackend.h"

namespace mm {

// What only tests may ask of the program's loader.
struct LoadedSoundBackendProbe {
    // Waits until the back end has loaded or failed to and every command sent
    // so far has run; true when it is loaded.
    static bool settle(LoadedSoundBackend& backEnd) { return backEnd.settle(); }
};

}  // namespace mm
