#pragma once

// What the program and its sound back end agree on: the back end is the
// shared object zanrai_sound_backend.so beside the program, holding the real
// sound service and the sound libraries, and this is its one entry point.

namespace mm {

class MultimediaService;

// extern "C", takes nothing and returns a new, started service that the
// caller owns.
inline constexpr char soundBackendEntry[] = "zanrai_make_sound_backend";
using MakeSoundBackend = MultimediaService* (*)();
// The file's name, beside the program.
inline constexpr char soundBackendFile[] = "zanrai_sound_backend.so";

}  // namespace mm
