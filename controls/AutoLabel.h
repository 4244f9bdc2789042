#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPalette>
#include <QString>
#include <optional>

#include "Control.h"

namespace kit {

// A caption on a form. An auto-sized label keeps its Left and grows or
// shrinks to the right as its caption changes; a fixed label keeps its box
// and wraps its text inside it. The background is transparent unless a
// colour is given. Labels let clicks through to what lies beneath them, so a
// caption never shields a target. Text is laid out and drawn as a plain-text
// QLabel would.
class AutoLabel : public Control {
    Q_OBJECT
public:
    struct Look {
        QFont font;
        QColor textColour = Qt::black;
        std::optional<QColor> background;  // none: transparent
    };

    // Auto-sized label at (left, top) twips.
    AutoLabel(FormSurface* surface, QString caption, int leftTwips, int topTwips, Look look);
    // Fixed-size label with a box of the given twips; wraps its text.
    AutoLabel(FormSurface* surface, QString caption, int leftTwips, int topTwips, int widthTwips,
              int heightTwips, Look look);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);

    // The look, resolved against the form's as a child widget's would be.
    QFont font() const;
    QFontMetrics fontMetrics() const;
    QPalette palette() const;

protected:
    void paint(QPainter& painter) const override;

private:
    void fit();

    QString caption_;
    Look look_;
    bool autoSize_;
    int alignment_;
};

}  // namespace kit
