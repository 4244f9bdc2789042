#pragma once

#include <string>

namespace mm {

// Opens the sound back end's file for the dynamic loader, checked first: a
// regular file (opened without blocking, so a FIFO or a device in its place
// cannot hold the thread), a shared object of this machine's kind, and long
// enough to hold every loadable segment. A file cut short would otherwise be
// mapped past its end and kill the program with a bus error inside dlopen.
//
// Returns a descriptor (close-on-exec) of the very file that was checked, for
// dlopen through /proc/self/fd, so nothing can swap it in between; -1 with
// why set when the file cannot be used.
int openSoundBackendFile(const std::string& path, std::string& why);

}  // namespace mm
