#include "AlsaMessages.h"

#include <alsa/asoundlib.h>

namespace {

void dropMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

namespace mm {

void silenceAlsaMessages() { snd_lib_error_set_handler(dropMessage); }

}  // namespace mm
