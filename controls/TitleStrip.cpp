#include "TitleStrip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace kit {

namespace {

// Neutral greys that sit beside any desktop theme: a light ground, a darker
// one while the window is active, dark text on both (contrast 5.9:1 inactive,
// 8.8:1 active, by the WCAG formula).
const QColor inactiveGround(0xdc, 0xdc, 0xdc);
const QColor inactiveText(0x50, 0x50, 0x50);
const QColor activeGround(0xb0, 0xb0, 0xb0);
const QColor activeText(0x10, 0x10, 0x10);

}  // namespace

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
    painter.fillRect(rect(), active ? activeGround : inactiveGround);
    painter.setPen(active ? activeText : inactiveText);
    painter.drawText(rect().adjusted(padding, 0, -padding, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     window()->windowTitle());
}

void TitleStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !window()->windowHandle()) return;
    // Without a window manager nobody takes the move: the strip follows the
    // pointer itself.
    if (!window()->windowHandle()->startSystemMove())
        grab_ = event->globalPosition().toPoint() - window()->pos();
}

void TitleStrip::mouseMoveEvent(QMouseEvent* event) {
    if (grab_) window()->move(event->globalPosition().toPoint() - *grab_);
}

void TitleStrip::mouseReleaseEvent(QMouseEvent*) { grab_.reset(); }

}  // namespace kit
