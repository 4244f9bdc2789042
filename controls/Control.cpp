#include "Control.h"

#include "FormSurface.h"

namespace kit {

Control::Control(FormSurface* surface, const QRect& geometry)
    : surface_(surface), geometry_(geometry) {
    setParent(surface_);
    surface_->add(this);
}

Control::~Control() {
    if (surface_) surface_->remove(this);
}

void Control::setGeometry(const QRect& geometry) {
    if (geometry == geometry_) return;
    if (visible_) {
        // A sinking sprite overlaps where it was: one rectangle to mark
        // instead of two halves Qt's bookkeeping for every move.
        if (geometry.intersects(geometry_)) {
            surface_->update(geometry.united(geometry_));
        } else {
            surface_->update(geometry_);
            surface_->update(geometry);
        }
    }
    geometry_ = geometry;
}

void Control::move(int x, int y) { setGeometry(QRect(QPoint(x, y), geometry_.size())); }

void Control::changed() {
    if (visible_) surface_->update(geometry_);
}

void Control::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    surface_->update(geometry_);
}

void Control::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    changed();
}

void Control::raise() {
    surface_->raise(this);
    changed();
}

void Control::press(QMouseEvent*) {}

}  // namespace kit
