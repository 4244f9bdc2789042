#include "GraphicalDisplay.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QtGlobal>
#include <cstring>

namespace {

bool x11Reachable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

// The compositor's socket: WAYLAND_DISPLAY is a name in XDG_RUNTIME_DIR or
// an absolute path.
bool waylandReachable() {
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty()) return false;
    const QByteArray path =
        name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR") + '/' + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool reached =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return reached;
}

}  // namespace

bool graphicalDisplayReachable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = platform.isEmpty() || platform.contains("xcb");
    const bool wayland = platform.isEmpty() || platform.contains("wayland");
    if (!x11 && !wayland) return true;
    return (x11 && x11Reachable()) || (wayland && waylandReachable());
}
