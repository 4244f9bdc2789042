#include "ToolWindow.h"

#include <QGuiApplication>
#include <QScreen>

#include "Caption.h"
#include "Twips.h"

void makeToolWindow(QWidget* window, const QString& caption, int clientWidthTwips,
                    int clientHeightTwips) {
    window->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint);
    kit::keepButtonless(window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(caption);
    window->setFixedSize(kit::toPixels(clientWidthTwips), kit::toPixels(clientHeightTwips));
    centreOnScreen(window);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
