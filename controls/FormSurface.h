#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <vector>

namespace kit {

class Control;

// The client area of a form: a fixed size, a background colour, and a
// picture drawn unscaled at its top-left corner. It owns the form's
// windowless controls (images, labels, lines), paints them in their stacking
// order over the scene, and hands a press to the topmost visible, enabled
// control under it that takes presses. Push buttons and other real widgets
// on it stay above all of them.
class FormSurface : public QWidget {
    Q_OBJECT
public:
    FormSurface(QWidget* parent, int widthTwips, int heightTwips, const QColor& background,
                QImage picture);
    ~FormSurface() override;

    // A transparent surface that covers host beneath host's own widgets and
    // follows its size: where a dialog's windowless controls live.
    static FormSurface* overlay(QWidget* host);

    // The control a press at pos would reach, or none.
    Control* controlAt(const QPoint& pos) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FormSurface(QWidget* host);
    friend class Control;
    void add(Control* control);
    void remove(Control* control);
    void raise(Control* control);
    const QPixmap& scene();

    QColor background_;
    QImage picture_;
    bool opaque_;
    // The background colour and picture at the screen's pixel density: a
    // repaint copies the dirty rectangles from it.
    QPixmap scene_;
    std::vector<Control*> controls_;
};

}  // namespace kit
