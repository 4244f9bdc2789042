#include "TitleStrip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace kit {

TitleStrip::TitleStrip(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("kitCaption"));
    QFont face = QApplication::font("QMdiSubWindowTitleBar");
    face.setBold(true);
    // A tool window has a small title bar.
    if (window->windowType() == Qt::Tool) face.setPointSizeF(face.pointSizeF() * 0.9);
    setFont(face);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int TitleStrip::stripHeight() const { return fontMetrics().height() + 4; }

int TitleStrip::neededWidth() const {
    return fontMetrics().horizontalAdvance(window()->windowTitle()) + 2 * padding;
}

void TitleStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool active = window()->isActiveWindow();
    const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
    painter.fillRect(rect(), active ? palette().color(group, QPalette::Highlight)
                                    : palette().color(group, QPalette::Dark));
    painter.setPen(palette().color(group, QPalette::HighlightedText));
    painter.drawText(rect().adjusted(padding, 0, -padding, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     window()->windowTitle());
}

void TitleStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && window()->windowHandle())
        window()->windowHandle()->startSystemMove();
}

}  // namespace kit
