#pragma once

#include <QString>
#include <QWidget>

namespace kit {

// Window flags of a form that has a caption but no title-bar buttons: no
// system menu, no close, minimize or maximize button.
Qt::WindowFlags buttonlessFrame(bool withTitle);

// Sets a form's caption. A buttonless form with an empty caption has no
// title bar at all; the border and the menu bar stay, and the form keeps its
// client size and its place on the screen.
void setCaption(QWidget* window, const QString& caption);

}  // namespace kit
