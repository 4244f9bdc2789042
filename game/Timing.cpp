#include "Timing.h"

#include <QElapsedTimer>

Q_LOGGING_CATEGORY(zanraiTiming, "zanrai.timing", QtWarningMsg)

qint64 timingNow() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.nsecsElapsed();
}
