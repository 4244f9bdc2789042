// A sound back end from a build of another version: its entry point has the
// name of that version. The program must refuse it unrun.

#include <cstdlib>

extern "C" __attribute__((visibility("default"))) void* zanrai_make_sound_backend_v1() {
    std::abort();
}
