#pragma once

#include <QColor>
#include <QPoint>

#include "Control.h"

namespace kit {

// A straight coloured line between two points given in twips, drawn two
// pixels wide. Hiding it removes it from the form; clicks pass through it.
class LineControl : public Control {
    Q_OBJECT
public:
    LineControl(FormSurface* surface, int x1Twips, int y1Twips, int x2Twips, int y2Twips,
                const QColor& colour);

    QColor colour() const { return colour_; }

protected:
    void paint(QPainter& painter) const override;

private:
    QColor colour_;
    QPoint from_;
    QPoint to_;
};

}  // namespace kit
