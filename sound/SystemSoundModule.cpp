// The entry point of the module that holds the real sound service, loaded by
// LoadedMultimedia once the window is on its way to the screen.

#include "LoadedMultimedia.h"
#include "SystemMultimedia.h"

extern "C" __attribute__((visibility("default"))) mm::MultimediaService*
zanrai_make_system_multimedia() {
    return new mm::SystemMultimedia();
}
