#pragma once

#include <QString>
#include <QWidget>

namespace kit {

// Window flags of a form that has a caption but no title-bar buttons: no
// system menu, no close, minimize or maximize button.
Qt::WindowFlags buttonlessFrame(bool withTitle);

// Makes window managers on X11 honour a window without title-bar buttons.
// Qt describes such a window by the functions it allows, which several
// window managers ignore and draw every button anyway; this names the
// decorations outright (a border, and a title while the form has one) each
// time the window is shown. Elsewhere it does nothing.
void keepButtonless(QWidget* window);

// Sets a form's caption. A buttonless form with an empty caption has no
// title bar at all; the border and the menu bar stay, and the form keeps its
// client size and its place on the screen.
void setCaption(QWidget* window, const QString& caption);

}  // namespace kit
