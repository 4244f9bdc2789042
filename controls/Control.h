#pragma once

#include <QObject>
#include <QRect>

class QMouseEvent;
class QPainter;
class QWidget;

namespace kit {

class FormSurface;

// A control without a window of its own: the form's surface owns it, paints
// it in its place in the stacking order and hands it the presses that land on
// it. Geometry is in pixels of the form's client area. Every change that
// shows is repainted at once, and only where it shows.
class Control : public QObject {
    Q_OBJECT
public:
    ~Control() override;

    FormSurface* surface() const { return surface_; }

    QRect geometry() const { return geometry_; }
    QPoint pos() const { return geometry_.topLeft(); }
    QSize size() const { return geometry_.size(); }
    int x() const { return geometry_.x(); }
    int y() const { return geometry_.y(); }
    int width() const { return geometry_.width(); }
    int height() const { return geometry_.height(); }
    void move(int x, int y);

    // The control's own Visible property, whether or not the form is shown.
    bool isVisible() const { return visible_; }
    void setVisible(bool visible);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // To the top of the form's stacking order.
    void raise();

protected:
    explicit Control(FormSurface* surface, const QRect& geometry = {});

    void setGeometry(const QRect& geometry);
    // Repaints the control where it stands.
    void changed();

    // Paints in the surface's coordinates; the painter is clipped to what
    // needs repainting.
    virtual void paint(QPainter& painter) const = 0;
    // Whether a press on the control stops here; otherwise it goes on to
    // what lies beneath.
    virtual bool takesPresses() const { return false; }
    virtual void press(QMouseEvent* event);

private:
    friend class FormSurface;

    FormSurface* surface_;
    QRect geometry_;
    bool visible_ = true;
    bool enabled_ = true;
};

}  // namespace kit
