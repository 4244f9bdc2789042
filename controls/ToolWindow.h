#pragma once

#include <QWidget>

namespace kit {

// A small fixed tool window with a title and no buttons at all: no task-bar
// entry of its own, not resizable, centred on the screen, discarded when it
// closes. Returns its client area, of the given size, which holds the
// window's controls; the frame lies around it.
QWidget* makeToolWindow(QWidget* window, const QString& caption, int clientWidthTwips,
                        int clientHeightTwips);

}  // namespace kit
