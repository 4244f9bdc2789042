#pragma once

// Whether the window system that Qt is going to use can be reached. Qt ends
// the program with an abort and a misleading hint about reinstalling when it
// cannot connect, so this is asked before the application object is made.
// Platforms other than X11 and Wayland (offscreen, VNC) count as reachable.
bool graphicalDisplayReachable();
