#include "WindowFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "TitleStrip.h"
#include "X11Decorations.h"

namespace kit {

namespace {

constexpr int edgeWidth = 1;

// A Wayland client neither declines decorations through hints nor places
// itself: it asks for no frame at all, and the compositor places it.
bool onWayland() { return QGuiApplication::platformName().startsWith(QStringLiteral("wayland")); }
const QColor edgeColour(64, 64, 64);

// Keeps the frame of one window: the manager's decorations declined each time
// Qt has written its own hints (when the native window is made, before it is
// shown), the strip following the caption, the size and the activation, and
// the edge painted around the contents.
class FrameKeeper : public QObject {
public:
    explicit FrameKeeper(QWidget* window) : QObject(window), strip_(new TitleStrip(window)) {
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
        // On Wayland the compositor keeps the window's top-left corner: the
        // window shrinks or grows by the strip at its bottom edge instead.
        if (window->isVisible() && moved != 0 && !onWayland())
            window->move(window->pos() - QPoint(0, moved));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        switch (event->type()) {
            case QEvent::Show: declineDecorations(window); break;
            case QEvent::Resize: place(window); break;
            case QEvent::WindowTitleChange:
                fit(window);
                strip_->update();
                break;
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

    TitleStrip* strip_;
};

}  // namespace

void keepButtonless(QWidget* window) {
    // Qt's Wayland platform draws a title bar with every button on a window
    // unless it is frameless.
    if (onWayland()) window->setWindowFlag(Qt::FramelessWindowHint);
    new FrameKeeper(window);
}

Qt::WindowFlags buttonlessFrame(bool withTitle) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint;
    if (withTitle) flags |= Qt::WindowTitleHint;
    return flags;
}

void setCaption(QWidget* window, const QString& caption) {
    window->setWindowTitle(caption);
    const Qt::WindowFlags flags = (window->windowFlags() & ~Qt::WindowTitleHint) |
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

void centreOnScreen(QWidget* window) {
    if (onWayland()) return;
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace kit
