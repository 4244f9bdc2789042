#include "TerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace {

// A signal handler may do next to nothing; it only wakes the event loop
// through this socket pair.
int wakeFds[2] = {-1, -1};

void wake(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);
}

}  // namespace

void onTerminationSignals(std::function<void()> action) {
    if (wakeFds[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0) return;

    auto* notifier =
        new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [notifier, action = std::move(action)] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t got = ::read(wakeFds[0], &byte, 1);
                         notifier->setEnabled(false);  // once is enough
                         action();
                     });

    struct sigaction onSignal {};
    onSignal.sa_handler = wake;
    sigemptyset(&onSignal.sa_mask);
    onSignal.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &onSignal, nullptr);
}
