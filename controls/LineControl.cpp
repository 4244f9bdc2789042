#include "LineControl.h"

#include <QPainter>
#include <algorithm>

#include "Twips.h"

namespace kit {

namespace {
constexpr int penWidth = 2;

QRect boxOf(QPoint a, QPoint b) {
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
        .adjusted(0, 0, penWidth - 1, penWidth - 1);
}
}  // namespace

LineControl::LineControl(FormSurface* surface, int x1Twips, int y1Twips, int x2Twips, int y2Twips,
                         const QColor& colour)
    : Control(surface, boxOf(QPoint(toPixels(x1Twips), toPixels(y1Twips)),
                             QPoint(toPixels(x2Twips), toPixels(y2Twips)))),
      colour_(colour),
      from_(toPixels(x1Twips), toPixels(y1Twips)),
      to_(toPixels(x2Twips), toPixels(y2Twips)) {}

void LineControl::paint(QPainter& painter) const {
    if (from_.y() == to_.y() || from_.x() == to_.x()) {
        // Axis-aligned: fill exact pixels so the line is crisp.
        painter.fillRect(geometry(), colour_);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour_, penWidth));
    painter.drawLine(from_, to_);
}

}  // namespace kit
