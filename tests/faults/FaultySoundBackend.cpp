// Sound back ends broken in ways the real one cannot be: the entry point
// returns no service; with STALL_WHILE_LOADING, loading also stalls in a
// constructor, holding the dynamic loader's lock as a library on a hung file
// system would, until the file that ZANRAI_TEST_STALL_UNTIL names appears
// (60 s at most). It makes the file named like it plus ".loading" first.

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "SoundBackendEntry.h"

#ifdef STALL_WHILE_LOADING
__attribute__((constructor)) static void stallWhileLoading() {
    const char* until = std::getenv("ZANRAI_TEST_STALL_UNTIL");
    if (until == nullptr) return;
    const std::ofstream loading(std::string(until) + ".loading");
    for (int tenths = 0; tenths < 600 && ::access(until, F_OK) != 0; ++tenths) ::usleep(100000);
}
#endif

extern "C" __attribute__((visibility("default"))) mm::MultimediaService*
zanrai_make_sound_backend() {
    return nullptr;
}
