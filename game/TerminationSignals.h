#pragma once

#include <functional>

// Runs action on the window thread when the process receives SIGINT, SIGTERM
// or SIGHUP (Ctrl+C in a terminal, the end of a desktop session, the closing
// of the terminal that started the game), so that the program leaves the way
// its own Exit command does instead of dying in the middle of a tick with the
// music device open.
void onTerminationSignals(std::function<void()> action);
