#include "GraphicalDisplay.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QtGlobal>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

struct GraphicalDisplay::X11Connection {
    xcb_connection_t* connection;
};

void GraphicalDisplay::CloseX11::operator()(X11Connection* x11) const {
    xcb_disconnect(x11->connection);
    delete x11;
}

namespace {

xcb_connection_t* connectX11() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return nullptr;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) return connection;
    xcb_disconnect(connection);
    return nullptr;
}

// A compositor that accepts a connection but does not answer (hung, or
// another program's socket) would leave Qt waiting for ever without a window.
constexpr int waylandAnswerMs = 3000;

// Asks the compositor for a round trip in the Wayland wire protocol itself
// (no library needed for two messages): wl_display.sync, and the done event
// of the callback it makes. Each message is the object's id, then its size
// in bytes (high half) and opcode (low half), then the arguments, all 32-bit
// words in the machine's byte order.
bool waylandAnswers(int fd) {
    constexpr std::uint32_t display = 1, callback = 2, syncRequest = 0, doneEvent = 0;
    const std::uint32_t sync[] = {display, (12U << 16) | syncRequest, callback};
    if (::send(fd, sync, sizeof sync, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof sync))
        return false;
    QDeadlineTimer deadline(waylandAnswerMs);
    std::vector<char> received;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(deadline.remainingTime()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return false;
        char buffer[4096];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        received.insert(received.end(), buffer, buffer + got);
        // Events come whole or in pieces; the globals and the like may come first.
        std::size_t at = 0;
        while (received.size() - at >= 8) {
            std::uint32_t header[2];
            std::memcpy(header, received.data() + at, sizeof header);
            const std::size_t size = header[1] >> 16;
            if (size < 8) return false;
            if (header[0] == callback && (header[1] & 0xffffU) == doneEvent) return true;
            if (received.size() - at < size) break;
            at += size;
        }
        received.erase(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

// The compositor's socket: WAYLAND_DISPLAY is a name in XDG_RUNTIME_DIR or
// an absolute path (unset, Qt and libwayland take "wayland-0"). A compositor
// does not reset when a client leaves, so this connection can be closed.
bool waylandReachable() {
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty()) return false;
    const QByteArray path = name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR") + '/' + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    // Non-blocking: a socket whose backlog is full would hold up connect().
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const bool reached =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        waylandAnswers(fd);
    ::close(fd);
    return reached;
}

// Qt's Wayland platform comes in its own package; without it Qt would abort.
bool waylandPluginInstalled() {
    for (const QString& folder : QCoreApplication::libraryPaths())
        if (QFileInfo::exists(folder + QStringLiteral("/platforms/libqwayland-generic.so")))
            return true;
    return false;
}

}  // namespace

GraphicalDisplay GraphicalDisplay::choose() {
    GraphicalDisplay display;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool anyPlatform = platform.isEmpty();
    const bool x11 = anyPlatform || platform.contains("xcb");
    const bool wayland = (anyPlatform && waylandPluginInstalled()) || platform.contains("wayland");
    if (!anyPlatform && !x11 && !wayland) {
        display.reachable_ = true;
        return display;
    }
    if (wayland && waylandReachable()) {
        display.reachable_ = true;
        if (anyPlatform) qputenv("QT_QPA_PLATFORM", "wayland");
        return display;
    }
    if (x11) {
        if (xcb_connection_t* connection = connectX11()) {
            display.x11_.reset(new X11Connection{connection});
            display.reachable_ = true;
            if (!platform.startsWith("xcb")) qputenv("QT_QPA_PLATFORM", "xcb");
        }
    }
    return display;
}
