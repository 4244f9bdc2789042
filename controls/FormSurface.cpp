#include "FormSurface.h"

#include <QPaintEvent>
#include <QPainter>

#include "Twips.h"

namespace kit {

FormSurface::FormSurface(QWidget* parent, int widthTwips, int heightTwips,
                         const QColor& background, const QImage& picture)
    : QWidget(parent), background_(background), picture_(picture) {
    setFixedSize(toPixels(widthTwips), toPixels(heightTwips));
}

void FormSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), background_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Drawn at its own size in logical pixels, clipped by the client area.
    painter.drawImage(QRect(QPoint(0, 0), picture_.size()), picture_);
}

}  // namespace kit
