#include "GraphicalDisplay.h"

#include <X11/Xauth.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct GraphicalDisplay::X11Connection {
    xcb_connection_t* connection;
};

void GraphicalDisplay::CloseX11::operator()(X11Connection* x11) const {
    xcb_disconnect(x11->connection);
    delete x11;
}

namespace {

// A display server that accepts a connection but does not answer (hung, or
// another program's socket) would leave the program waiting for ever
// without a window; so long and no more it is given to answer.
constexpr int answerMs = 3000;

// Connects to the X server's local socket (the abstract name first, as
// libxcb does, then the file), or to the loopback port of a display with the
// host localhost (as ssh forwards one), without waiting: a server whose
// backlog is full would hold up connect(). -1 when there is none to reach.
int connectXSocket(const std::string& host, int number) {
    if (!host.empty() && host != "unix" && host != "localhost") return -1;
    if (host == "localhost") {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(6000 + number));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        pollfd connected{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        if (fd >= 0 &&
            (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
             (errno == EINPROGRESS && ::poll(&connected, 1, answerMs) == 1 &&
              ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)))
            return fd;
        if (fd >= 0) ::close(fd);
        return -1;
    }
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    for (const bool abstract : {true, false}) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + (abstract ? 1 : 0), path.data(), path.size());
        const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() +
                                                 (abstract ? 1 : 0));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) return fd;
        ::close(fd);
    }
    return -1;
}

// The Xauthority file's cookie for this machine's display number, chosen as
// libxcb would choose it (libXau, the library libxcb reads it with).
struct Cookie {
    std::string name, data;
};

Cookie cookieFor(int number) {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const std::string display = std::to_string(number);
    char mitCookie[] = "MIT-MAGIC-COOKIE-1";
    char* kinds[] = {mitCookie};
    const int kindLengths[] = {static_cast<int>(sizeof mitCookie - 1)};
    Xauth* found = XauGetBestAuthByAddr(FamilyLocal, static_cast<unsigned short>(std::strlen(host)),
                                        host, static_cast<unsigned short>(display.size()),
                                        display.c_str(), 1, kinds, kindLengths);
    if (found == nullptr) return {};
    Cookie cookie{std::string(found->name, found->name_length),
                  std::string(found->data, found->data_length)};
    XauDisposeAuth(found);
    return cookie;
}

// Connects to the display DISPLAY names and waits for the server's answer to
// the set-up for answerMs at most: libxcb itself would wait for ever. A
// display on another host is left to libxcb.
xcb_connection_t* connectX11() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return nullptr;
    char* hostName = nullptr;
    int number = 0;
    if (xcb_parse_display(nullptr, &hostName, &number, nullptr) == 0) return nullptr;
    const std::string host = hostName;
    std::free(hostName);
    xcb_connection_t* connection = nullptr;
    if (!host.empty() && host != "unix" && host != "localhost") {
        connection = xcb_connect(nullptr, nullptr);
    } else if (const int fd = connectXSocket(host, number); fd >= 0) {
        Cookie cookie = cookieFor(number);
        xcb_auth_info_t auth{static_cast<int>(cookie.name.size()), cookie.name.data(),
                             static_cast<int>(cookie.data.size()), cookie.data.data()};
        // On a thread of its own, so that the wait can be bounded. (Not
        // std::async: its future's call_once would make the program need the
        // dynamic loader itself as a library, which no package names.)
        struct {
            std::mutex mutex;
            std::condition_variable done;
            bool finished = false;
            xcb_connection_t* connection = nullptr;
        } setUp;
        std::thread attempt([fd, &cookie, &auth, &setUp] {
            xcb_connection_t* made = xcb_connect_to_fd(fd, cookie.data.empty() ? nullptr : &auth);
            const std::lock_guard lock(setUp.mutex);
            setUp.connection = made;
            setUp.finished = true;
            setUp.done.notify_one();
        });
        bool late = false;
        {
            std::unique_lock lock(setUp.mutex);
            late = !setUp.done.wait_for(lock, std::chrono::milliseconds(answerMs),
                                        [&setUp] { return setUp.finished; });
        }
        // Cut off, libxcb's wait for the answer ends with an error.
        if (late) ::shutdown(fd, SHUT_RDWR);
        attempt.join();
        connection = setUp.connection;
        if (late && connection != nullptr) {
            xcb_disconnect(connection);
            connection = nullptr;
        }
    }
    if (connection != nullptr && xcb_connection_has_error(connection) == 0) return connection;
    if (connection != nullptr) xcb_disconnect(connection);
    return nullptr;
}

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
    QDeadlineTimer deadline(answerMs);
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
