#include "Caption.h"

#include <QEvent>
#include <QWindow>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

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
constexpr std::uint32_t decorBorder = 1U << 1;
constexpr std::uint32_t decorTitle = 1U << 3;

void nameDecorations(QWidget* window) {
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

    const bool titled = window->windowFlags().testFlag(Qt::WindowTitleHint);
    const MotifWmHints hints{hintFunctions | hintDecorations, functionMove,
                             decorBorder | (titled ? decorTitle : 0U), 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), hintsAtom, hintsAtom, 32,
                        sizeof hints / 4, &hints);
    xcb_flush(connection);
}

// Qt writes its own hints whenever it (re)creates the native window, which
// happens before the show event; the decorations are named after it.
class ButtonlessKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) nameDecorations(static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

void keepButtonless(QWidget* window) { window->installEventFilter(new ButtonlessKeeper(window)); }

Qt::WindowFlags buttonlessFrame(bool withTitle) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint;
    if (withTitle) flags |= Qt::WindowTitleHint;
    return flags;
}

void setCaption(QWidget* window, const QString& caption) {
    window->setWindowTitle(caption);
    const Qt::WindowFlags flags =
        (window->windowFlags() & ~Qt::WindowTitleHint) |
        (caption.isEmpty() ? Qt::WindowFlags{} : Qt::WindowTitleHint);
    if (flags == window->windowFlags()) return;

    // Told to the live window rather than through QWidget::setWindowFlags,
    // which would destroy and re-create it: re-created, it is placed anew by
    // the window manager and jumps on the screen. This way it stays mapped
    // and the manager only changes its frame.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlags(flags);
        nameDecorations(window);
    }
}

}  // namespace kit
