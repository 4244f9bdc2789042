#include "ImageControl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <cmath>

#include "FormSurface.h"
#include "Twips.h"

namespace kit {

ImageControl::ImageControl(FormSurface* surface, int leftTwips, float topTwips, int widthTwips,
                           int heightTwips)
    : Control(surface, QRect(0, 0, toPixels(widthTwips), toPixels(heightTwips))),
      left_(leftTwips),
      top_(topTwips) {
    place();
}

void ImageControl::setPicture(const QImage& picture) {
    picture_ = picture;
    changed();
}

void ImageControl::setTop(float topTwips) {
    top_ = topTwips;
    place();
}

void ImageControl::place() { move(toPixels(left_), toPixels(top_)); }

void ImageControl::setFramed(bool framed) {
    framed_ = framed;
    changed();
}

void ImageControl::paint(QPainter& painter) const {
    QRect inside = geometry();
    if (framed_) {
        painter.setPen(surface()->palette().color(QPalette::WindowText));
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
        inside.adjust(1, 1, -1, -1);
    }
    if (picture_.isNull()) return;
    // Nearest-neighbour on purpose: smoothing would blur the pixel art on
    // high-density screens and when a picture is stretched.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const qreal ratio = painter.device()->devicePixelRatioF();
    if (ratio == std::floor(ratio)) {
        painter.drawImage(inside, picture_);
        return;
    }
    // At a fractional ratio a source pixel covers one or two screen pixels.
    // Scaled where it stands, the picture would take another pattern of them
    // at every position of a falling target, and shimmer; so it is scaled
    // once, and copied 1:1 to the screen pixel nearest its corner.
    const QSize size(qRound(inside.width() * ratio), qRound(inside.height() * ratio));
    if (onScreen_.size() != size || onScreenOf_ != picture_.cacheKey()) {
        onScreen_ = picture_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        onScreenOf_ = picture_.cacheKey();
    }
    const QTransform toScreen = painter.deviceTransform();
    const QPointF corner = toScreen.map(QPointF(inside.topLeft()));
    const QPointF pixel(std::round(corner.x()), std::round(corner.y()));
    const QPointF at = toScreen.inverted().map(pixel);
    painter.drawImage(QRectF(at, QSizeF(size) / ratio), onScreen_);
}

void ImageControl::press(QMouseEvent* event) {
    // The surface hands over only presses on a visible, enabled image; the
    // check keeps the promise for presses handed over directly as well.
    if (event->button() == Qt::LeftButton && isVisible() && isEnabled()) {
        event->accept();
        emit clicked();
        return;
    }
    event->ignore();
}

}  // namespace kit
