#include "ToolWindow.h"

#include <QVBoxLayout>

#include "Twips.h"
#include "WindowFrame.h"

namespace kit {

QWidget* makeToolWindow(QWidget* window, const QString& caption, int clientWidthTwips,
                        int clientHeightTwips) {
    window->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(caption);
    keepButtonless(window);

    auto* client = new QWidget(window);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(toPixels(clientWidthTwips), toPixels(clientHeightTwips));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(client);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    window->adjustSize();
    centreOnScreen(window);
    return client;
}

}  // namespace kit
