#pragma once

#include <QColor>
#include <QLabel>
#include <optional>

namespace kit {

// A caption on a form. An auto-sized label keeps its Left and grows or
// shrinks to the right as its caption changes; a fixed label keeps its box
// and wraps its text inside it. The background is transparent unless a
// colour is given. Labels let clicks through to what lies beneath them, so a
// caption never shields a target.
class AutoLabel : public QLabel {
    Q_OBJECT
public:
    struct Look {
        QFont font;
        QColor textColour = Qt::black;
        std::optional<QColor> background;  // none: transparent
    };

    // Auto-sized label at (left, top) twips.
    AutoLabel(QWidget* parent, const QString& caption, int leftTwips, int topTwips,
              const Look& look);
    // Fixed-size label with a box of the given twips; wraps its text.
    AutoLabel(QWidget* parent, const QString& caption, int leftTwips, int topTwips,
              int widthTwips, int heightTwips, const Look& look);

    QString caption() const { return text(); }
    void setCaption(const QString& caption);
    bool autoSize() const { return autoSize_; }

private:
    void applyLook(const Look& look);

    bool autoSize_;
};

}  // namespace kit
