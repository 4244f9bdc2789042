#include "WindowTimer.h"

#include <algorithm>

namespace kit {

WindowTimer::WindowTimer(QObject* parent, int intervalMs, bool enabled) : QObject(parent) {
    // A precise timer keeps the cadence; Qt's timer dispatcher already skips
    // missed periods instead of catching up.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(std::max(intervalMs, minimumIntervalMs));
    connect(&timer_, &QTimer::timeout, this, &WindowTimer::Timer);
    setEnabled(enabled);
}

void WindowTimer::setEnabled(bool on) {
    if (on)
        timer_.start();  // restarts a running timer as well
    else
        timer_.stop();
}

}  // namespace kit
