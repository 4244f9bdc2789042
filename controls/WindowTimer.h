#pragma once

#include <QObject>
#include <QTimer>

namespace kit {

// A window timer as the game expects one: an interval in milliseconds that
// cannot be shorter than 10 ms (the desktop timer the game was tuned for
// never ticked faster), switching it on starts the interval afresh, and
// ticks that fall behind are dropped rather than delivered in a burst.
class WindowTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int minimumIntervalMs = 10;

    WindowTimer(QObject* parent, int intervalMs, bool enabled);

    int interval() const { return timer_.interval(); }
    bool enabled() const { return timer_.isActive(); }
    void setEnabled(bool on);

signals:
    void Timer();

private:
    QTimer timer_;
};

}  // namespace kit
