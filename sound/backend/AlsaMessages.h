#pragma once

// libasound prints its own diagnostics to stderr ("ALSA lib ..."), several
// of them when there is no sound card, before SDL reports the failure the
// game explains in its own one line. Installing a handler that drops them
// leaves that line alone on the terminal. Call before SDL opens audio; the
// handler is process-wide, so it covers the copy of libasound that SDL loads.
namespace mm {
void silenceAlsaMessages();
}
