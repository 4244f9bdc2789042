// A sound back end whose entry returns no service; with STALL_WHILE_LOADING
// its loading stalls in a constructor, holding the dynamic loader's lock as
// a library on a hung file system would, from making the file
// $ZANRAI_TEST_STALL_UNTIL.loading until that file appears (60 s at most).

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
ZANRAI_SOUND_BACKEND_ENTRY() {
    return nullptr;
}
