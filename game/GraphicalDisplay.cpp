#include "GraphicalDisplay.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QtGlobal>
#include <cstring>

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

// The compositor's socket: WAYLAND_DISPLAY is a name in XDG_RUNTIME_DIR or
// an absolute path (unset, Qt and libwayland take "wayland-0"). A compositor
// does not reset when a client leaves, so this connection can be closed.
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
