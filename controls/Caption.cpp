#include "Caption.h"

namespace kit {

Qt::WindowFlags buttonlessFrame(bool withTitle) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint;
    if (withTitle) flags |= Qt::WindowTitleHint;
    return flags;
}

void setCaption(QWidget* window, const QString& caption) {
    const bool wantTitle = !caption.isEmpty();
    const bool hasTitle = window->windowFlags().testFlag(Qt::WindowTitleHint);
    window->setWindowTitle(caption);
    if (wantTitle == hasTitle) return;

    // Changing the frame re-creates the native window, which hides it; put it
    // back where it stood.
    const bool wasVisible = window->isVisible();
    const QPoint framePosition = window->pos();
    window->setWindowFlags((window->windowFlags() & ~Qt::WindowTitleHint) |
                           (wantTitle ? Qt::WindowTitleHint : Qt::WindowFlags{}));
    window->move(framePosition);
    if (wasVisible) window->show();
}

}  // namespace kit
