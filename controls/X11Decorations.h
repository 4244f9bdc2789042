#pragma once

class QWidget;

namespace kit {

// Asks the X11 window manager for no decorations of its own, and to offer
// nothing but moving the window. On other platforms it does nothing.
void declineDecorations(QWidget* window);

}  // namespace kit
