#include "FormSurface.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "Control.h"
#include "Twips.h"

namespace kit {

FormSurface::FormSurface(QWidget* parent, int widthTwips, int heightTwips, const QColor& background,
                         QImage picture)
    : QWidget(parent), background_(background), picture_(std::move(picture)), opaque_(true) {
    setFixedSize(toPixels(widthTwips), toPixels(heightTwips));
    // Every pixel comes from the scene: nothing beneath needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

FormSurface::FormSurface(QWidget* host) : QWidget(host), opaque_(false) {
    setGeometry(host->rect());
    host->installEventFilter(this);
    lower();
    if (host->isVisible()) show();
}

FormSurface::~FormSurface() {
    // The controls are children; they must not reach back into a half-gone
    // surface when QObject deletes them.
    for (Control* control : std::exchange(controls_, {})) {
        control->surface_ = nullptr;
        delete control;
    }
}

FormSurface* FormSurface::overlay(QWidget* host) { return new FormSurface(host); }

bool FormSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void FormSurface::add(Control* control) { controls_.push_back(control); }

void FormSurface::remove(Control* control) {
    std::erase(controls_, control);
    if (control->isVisible()) update(control->geometry());
}

void FormSurface::raise(Control* control) {
    std::erase(controls_, control);
    controls_.push_back(control);
}

Control* FormSurface::controlAt(const QPoint& pos) const {
    // The topmost first. A hidden or disabled control, a label or a line
    // lets the press through to what lies beneath, as a disabled image does
    // on the platform the game was written for.
    const auto takes = [&pos](const Control* control) {
        return control->isVisible() && control->isEnabled() && control->takesPresses() &&
               control->geometry().contains(pos);
    };
    const auto found = std::find_if(controls_.rbegin(), controls_.rend(), takes);
    return found == controls_.rend() ? nullptr : *found;
}

const QPixmap& FormSurface::scene() {
    const qreal ratio = devicePixelRatioF();
    if (scene_.isNull() || scene_.devicePixelRatio() != ratio) {
        scene_ = QPixmap(size() * ratio);
        scene_.setDevicePixelRatio(ratio);
        scene_.fill(background_);
        QPainter painter(&scene_);
        // Pixel art: nearest neighbour at any pixel density.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QRect(QPoint(0, 0), picture_.size()), picture_);
    }
    return scene_;
}

void FormSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (opaque_) {
        // Only what changed is copied from the scene; drawing the whole
        // picture and letting the clip cut it costs a full-size blend (and
        // wakes Qt's painting threads) for every sprite that moves.
        const QPixmap& pixmap = scene();
        const qreal ratio = pixmap.devicePixelRatio();
        for (const QRect& r : event->region())
            painter.drawPixmap(
                r, pixmap,
                QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio));
    }
    const QRect dirty = event->region().boundingRect();
    for (const Control* control : controls_) {
        if (!control->isVisible() || !control->geometry().intersects(dirty)) continue;
        painter.save();
        control->paint(painter);
        painter.restore();
    }
}

void FormSurface::mousePressEvent(QMouseEvent* event) {
    if (Control* control = controlAt(event->position().toPoint())) {
        control->press(event);
        return;
    }
    event->ignore();
}

}  // namespace kit
