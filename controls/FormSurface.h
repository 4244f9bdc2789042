#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace kit {

// The client area of a form: a fixed size, a background colour, and a
// picture drawn unscaled at its top-left corner.
class FormSurface : public QWidget {
    Q_OBJECT
public:
    FormSurface(QWidget* parent, int widthTwips, int heightTwips, const QColor& background,
                const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background_;
    QImage picture_;
};

}  // namespace kit
