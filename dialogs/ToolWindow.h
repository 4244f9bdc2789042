#pragma once

#include <QWidget>

// A small fixed tool window with a title and no buttons at all: no task-bar
// entry of its own, not resizable, centred on the screen, discarded when it
// closes. Returns its client area, of the given size, which holds the
// window's controls; the frame lies around it.
QWidget* makeToolWindow(QWidget* window, const QString& caption, int clientWidthTwips,
                        int clientHeightTwips);

// Puts a window in the middle of the screen it is on.
void centreOnScreen(QWidget* window);
