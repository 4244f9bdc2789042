#pragma once

#include <QString>
#include <QWidget>

namespace kit {

// Window flags of a form that has a caption but no title-bar buttons: no
// system menu, no close, minimize or maximize button.
Qt::WindowFlags buttonlessFrame(bool withTitle);

// Gives a window the frame of a form without title-bar buttons, drawn by the
// window itself: a 1-pixel edge and, while it has a caption, a title strip
// that shows the whole caption and moves the window when dragged.
//
// On Wayland the window is frameless, which leaves Qt's own decorations off.
// Window managers on X11 cannot be trusted with this: several draw minimize
// and close buttons whatever a window asks for (openbox keeps them even when
// the window names its decorations), and without a manager a window has no
// edge at all. So the manager is asked for no decorations, and the window
// looks the same under every manager and under none. The window's contents
// keep their size inside the frame (the frame lies in its contents margins,
// so a window that places its children by hand holds them in one child).
void keepButtonless(QWidget* window);

// Sets a form's caption. A buttonless form with an empty caption has no
// title bar at all; the edge and the menu bar stay, and the form keeps its
// client size. On X11 the client area keeps its place on the screen; on
// Wayland, where a window cannot move itself, the window's top stays and it
// shrinks by the strip.
void setCaption(QWidget* window, const QString& caption);

// Puts a window in the middle of the screen it is on. On Wayland the
// compositor places windows, dialogs over the window they belong to.
void centreOnScreen(QWidget* window);

}  // namespace kit
