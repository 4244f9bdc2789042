#include "ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

#include "Twips.h"

namespace kit {

ImageControl::ImageControl(QWidget* parent, int leftTwips, float topTwips, int widthTwips,
                           int heightTwips)
    : QWidget(parent), left_(leftTwips), top_(topTwips) {
    resize(toPixels(widthTwips), toPixels(heightTwips));
    setAttribute(Qt::WA_TranslucentBackground);
    place();
}

void ImageControl::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void ImageControl::setTop(float topTwips) {
    top_ = topTwips;
    place();
}

void ImageControl::place() { move(toPixels(left_), toPixels(top_)); }

void ImageControl::setFramed(bool framed) {
    framed_ = framed;
    update();
}

void ImageControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect inside = rect();
    if (framed_) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        inside.adjust(1, 1, -1, -1);
    }
    if (picture_.isNull()) return;
    // Nearest-neighbour on purpose: smoothing would blur the pixel art on
    // high-density screens and when a picture is stretched.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(inside, picture_);
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
    // Qt routes no pointer events to hidden or disabled widgets; the check
    // keeps the promise for events sent to the image directly as well.
    if (event->button() == Qt::LeftButton && isVisible() && isEnabled()) {
        event->accept();
        emit clicked();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ImageControl::changeEvent(QEvent* event) {
    // A disabled image takes no click, so it must not shield what is under
    // it either: a picture laid over a target leaves the target cuttable.
    if (event->type() == QEvent::EnabledChange)
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
    QWidget::changeEvent(event);
}

}  // namespace kit
