#include "ToolWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "Caption.h"
#include "Twips.h"

QWidget* makeToolWindow(QWidget* window, const QString& caption, int clientWidthTwips,
                        int clientHeightTwips) {
    window->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(caption);
    kit::keepButtonless(window);

    auto* client = new QWidget(window);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kit::toPixels(clientWidthTwips), kit::toPixels(clientHeightTwips));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(client);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    window->adjustSize();
    centreOnScreen(window);
    return client;
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
