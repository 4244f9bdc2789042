#pragma once

// What the program and its sound back end agree on: the back end is the
// shared object zanrai_sound_backend.so beside the program, holding the real
// sound service and the sound libraries, and this is its one entry point.

namespace mm {

class MultimediaService;

// The entry's name carries the version of what crosses the line: this entry
// and the MultimediaService it returns. A back end from a build with another
// version has no entry by this name, and the program stays silent (one line)
// rather than call into a vtable of another shape. Bump it with any change
// to either.
#define ZANRAI_SOUND_BACKEND_ENTRY zanrai_make_sound_backend_v2
#define ZANRAI_SOUND_BACKEND_NAME_OF(entry) #entry
#define ZANRAI_SOUND_BACKEND_NAME(entry) ZANRAI_SOUND_BACKEND_NAME_OF(entry)

// extern "C", takes nothing and returns a new, started service that the
// caller owns.
inline constexpr char soundBackendEntry[] = ZANRAI_SOUND_BACKEND_NAME(ZANRAI_SOUND_BACKEND_ENTRY);
using MakeSoundBackend = MultimediaService* (*)();
// The file's name, beside the program.
inline constexpr char soundBackendFile[] = "zanrai_sound_backend.so";

// What the back end's stream asks a PulseAudio or PipeWire server to hold,
// in milliseconds, unless the user set PULSE_LATENCY_MSEC: SDL asks for one
// period only, which ran dry dozens of times a minute with both cores busy
// (bench/measure_stream.sh). libpulse reads the variable when a stream
// connects, and SDL has no setting of its own for it. The program sets it
// before any thread starts (setenv beside a getenv on another thread is not
// safe), and the back end waits this long for a close's fade to be heard.
inline constexpr int soundServerBufferMs = 25;

}  // namespace mm
