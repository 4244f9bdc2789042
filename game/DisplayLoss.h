#pragma once

#include <chrono>

// Qt's platform plugins end the program themselves when the connection to the
// display breaks (the X server or the compositor has gone: a logout, a
// crash), each right after a warning that says so: the X11 one with exit(1),
// the Wayland one with _exit(1), which runs no exit handler and unwinds
// nothing. The save of a finished game may be waiting for another copy's lock
// at that moment; this lets every pending save finish first, within cap, and
// the program then ends with Qt's status. Also on any other exit() that does
// not unwind the stack.
void letSavesOutliveTheDisplay(std::chrono::milliseconds cap);
