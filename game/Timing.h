#pragma once

#include <QLoggingCategory>

// Tick times for measuring the game's cadence. Off by default; switched on
// with QT_LOGGING_RULES="zanrai.timing.debug=true".
Q_DECLARE_LOGGING_CATEGORY(zanraiTiming)

// Nanoseconds on a monotonic clock, comparable across the whole run.
qint64 timingNow();
