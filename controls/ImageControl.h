#pragma once

#include <QImage>

#include "Control.h"

namespace kit {

// A picture box: shows a picture unscaled-looking (pixel art stays crisp at
// any device pixel ratio), keeps its Top in twips as a single-precision value
// so that fractional descents add up, and raises clicked() for a left-button
// press while it is visible and enabled. A hidden or disabled image lets the
// press through to what lies beneath it.
class ImageControl : public Control {
    Q_OBJECT
public:
    ImageControl(FormSurface* surface, int leftTwips, float topTwips, int widthTwips = 480,
                 int heightTwips = 480);

    // The picture is handed over by value: an image that takes another's
    // picture keeps its own copy.
    QImage picture() const { return picture_; }
    void setPicture(const QImage& picture);

    float top() const { return top_; }
    void setTop(float topTwips);
    int left() const { return left_; }

    // A thin single-line border around the picture, which then fills the
    // inside of the box.
    void setFramed(bool framed);

signals:
    void clicked();

protected:
    void paint(QPainter& painter) const override;
    bool takesPresses() const override { return true; }
    // The click answers the press, not the release: a sinking target moves
    // between the two, and a reflex game must take the cut where it was aimed.
    void press(QMouseEvent* event) override;

private:
    void place();

    QImage picture_;
    int left_;
    float top_;
    bool framed_ = false;
    // The picture at the screen's fractional pixel ratio, and which picture
    // it was made from.
    mutable QImage onScreen_;
    mutable qint64 onScreenOf_ = 0;
};

}  // namespace kit
