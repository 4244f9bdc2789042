// The entry point of the sound back end, the shared object the program loads
// (LoadedSoundBackend) once its window is on its way to the screen.

#include "SoundBackendEntry.h"
#include "SystemMultimedia.h"

extern "C" __attribute__((visibility("default"))) mm::MultimediaService*
ZANRAI_SOUND_BACKEND_ENTRY() {
    return new mm::SystemMultimedia();
}
