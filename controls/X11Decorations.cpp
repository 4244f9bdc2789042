#include "X11Decorations.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QWidget>

#include <cstdint>
#include <cstdlib>

namespace kit {

namespace {

// The _MOTIF_WM_HINTS property, as window managers read it.
struct MotifWmHints {
    std::uint32_t flags;
    std::uint32_t functions;
    std::uint32_t decorations;
    std::int32_t inputMode;
    std::uint32_t status;
};
constexpr std::uint32_t hintFunctions = 1U << 0;
constexpr std::uint32_t hintDecorations = 1U << 1;
constexpr std::uint32_t functionMove = 1U << 2;

}  // namespace

void declineDecorations(QWidget* window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    static const xcb_atom_t hintsAtom = [connection] {
        const char name[] = "_MOTIF_WM_HINTS";
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        free(reply);
        return atom;
    }();
    if (hintsAtom == XCB_ATOM_NONE) return;

    const MotifWmHints hints{hintFunctions | hintDecorations, functionMove, 0U, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), hintsAtom, hintsAtom, 32,
                        sizeof hints / 4, &hints);
    xcb_flush(connection);
}

}  // namespace kit
