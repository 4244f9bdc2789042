#include "Caption.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>
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

constexpr int edgeWidth = 1;
const QColor edgeColour(64, 64, 64);

// Asks the X11 window manager for no decorations of its own, and to offer
// nothing but moving the window. Elsewhere it does nothing.
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

// The title strip: the caption in the title-bar colours of the active or
// inactive window, never shortened; dragging it moves the window.
class CaptionStrip : public QWidget {
public:
    explicit CaptionStrip(QWidget* window) : QWidget(window) {
        setObjectName(QStringLiteral("kitCaption"));
        QFont face = QApplication::font("QMdiSubWindowTitleBar");
        face.setBold(true);
        // A tool window has a small title bar.
        if (window->windowType() == Qt::Tool) face.setPointSizeF(face.pointSizeF() * 0.9);
        setFont(face);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    int stripHeight() const { return fontMetrics().height() + 4; }
    int neededWidth() const {
        return fontMetrics().horizontalAdvance(window()->windowTitle()) + 2 * padding;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const bool active = window()->isActiveWindow();
        const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
        painter.fillRect(rect(), active ? palette().color(group, QPalette::Highlight)
                                        : palette().color(group, QPalette::Dark));
        painter.setPen(palette().color(group, QPalette::HighlightedText));
        painter.drawText(rect().adjusted(padding, 0, -padding, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         window()->windowTitle());
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && window()->windowHandle())
            window()->windowHandle()->startSystemMove();
    }

private:
    static constexpr int padding = 4;
};

// Keeps the frame of one window: the manager's decorations declined each time
// Qt has written its own hints (when the native window is made, before it is
// shown), the strip following the caption, the size and the activation, and
// the edge painted around the contents.
class FrameKeeper : public QObject {
public:
    explicit FrameKeeper(QWidget* window) : QObject(window), strip_(new CaptionStrip(window)) {
        window->installEventFilter(this);
        fit(window);
    }

    // The strip comes and goes with the caption; the contents stay where
    // they are on the screen.
    void fit(QWidget* window) {
        const bool titled = !window->windowTitle().isEmpty();
        const int top = edgeWidth + (titled ? strip_->stripHeight() : 0);
        const int moved = top - window->contentsMargins().top();
        if (moved == 0 && strip_->isVisibleTo(window) == titled) return;
        window->setContentsMargins(edgeWidth, top, edgeWidth, edgeWidth);
        if (titled && window->minimumWidth() < strip_->neededWidth() + 2 * edgeWidth &&
            window->minimumWidth() == window->maximumWidth())
            window->setFixedWidth(strip_->neededWidth() + 2 * edgeWidth);
        strip_->setVisible(titled);
        place(window);
        if (window->isVisible() && moved != 0) window->move(window->pos() - QPoint(0, moved));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        switch (event->type()) {
            case QEvent::Show: declineDecorations(window); break;
            case QEvent::Resize: place(window); break;
            case QEvent::WindowTitleChange: fit(window); strip_->update(); break;
            case QEvent::ActivationChange: strip_->update(); break;
            case QEvent::Paint: paintEdge(window, static_cast<QPaintEvent*>(event)->rect()); break;
            default: break;
        }
        return false;
    }

private:
    void place(QWidget* window) {
        strip_->setGeometry(edgeWidth, edgeWidth, window->width() - 2 * edgeWidth,
                            strip_->stripHeight());
    }

    static void paintEdge(QWidget* window, const QRect& dirty) {
        const QRect inside = window->rect().adjusted(edgeWidth, edgeWidth, -edgeWidth, -edgeWidth);
        if (inside.contains(dirty)) return;
        QPainter painter(window);
        painter.setPen(edgeColour);
        painter.drawRect(window->rect().adjusted(0, 0, -1, -1));
    }

    CaptionStrip* strip_;
};

}  // namespace

void keepButtonless(QWidget* window) { new FrameKeeper(window); }

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
    // the window manager and jumps on the screen. Qt writes its hints for the
    // new flags; the decorations are declined again after it.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlags(flags);
        declineDecorations(window);
    }
}

}  // namespace kit
