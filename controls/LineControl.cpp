#include "LineControl.h"

#include <QPainter>
#include <algorithm>

#include "Twips.h"

namespace kit {

namespace {
constexpr int penWidth = 2;
}

LineControl::LineControl(QWidget* parent, int x1Twips, int y1Twips, int x2Twips, int y2Twips,
                         const QColor& colour)
    : QWidget(parent), colour_(colour) {
    const QPoint a(toPixels(x1Twips), toPixels(y1Twips));
    const QPoint b(toPixels(x2Twips), toPixels(y2Twips));
    const QRect box = QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                            QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
                          .adjusted(0, 0, penWidth - 1, penWidth - 1);
    setGeometry(box);
    from_ = a - box.topLeft();
    to_ = b - box.topLeft();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (from_.y() == to_.y() || from_.x() == to_.x()) {
        // Axis-aligned: fill exact pixels so the line is crisp.
        const QRect r = QRect(from_, to_).normalized().adjusted(0, 0, penWidth - 1, penWidth - 1);
        painter.fillRect(r, colour_);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour_, penWidth));
    painter.drawLine(from_, to_);
}

}  // namespace kit
