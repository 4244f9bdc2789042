#pragma once

#include <QStringView>
#include <functional>

// The system's standard beep as the desktop the program runs on gives it.
// On X11 that is the X bell, which desktops map to their alert sound. A
// Wayland compositor has no bell for Qt to ring, so there the beep is the
// desktop's alert sound itself: the sound theme's "bell" event, played
// through libcanberra.
enum class BeepKind { XBell, AlertSound };

// The beep for a Qt platform name ("xcb", "wayland", ...).
BeepKind beepFor(QStringView platformName);

// The beep to hand to the main window. The alert sound never waits, fails or
// blocks the caller: libcanberra is opened at the first beep, and everything
// it does (its sound server included) happens on a thread of its own, which
// tells lifetime::mayEndNormally while it is inside libcanberra.
std::function<void()> desktopBeep(QStringView platformName);
