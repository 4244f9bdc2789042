#include "AutoLabel.h"

#include "Twips.h"

namespace kit {

AutoLabel::AutoLabel(QWidget* parent, const QString& caption, int leftTwips, int topTwips,
                     const Look& look)
    : QLabel(caption, parent), autoSize_(true) {
    applyLook(look);
    move(toPixels(leftTwips), toPixels(topTwips));
    adjustSize();
}

AutoLabel::AutoLabel(QWidget* parent, const QString& caption, int leftTwips, int topTwips,
                     int widthTwips, int heightTwips, const Look& look)
    : QLabel(caption, parent), autoSize_(false) {
    applyLook(look);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setGeometry(toPixels(leftTwips), toPixels(topTwips), toPixels(widthTwips),
                toPixels(heightTwips));
}

void AutoLabel::applyLook(const Look& look) {
    setFont(look.font);
    setMargin(0);
    setIndent(0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, look.textColour);
    if (look.background) {
        palette.setColor(QPalette::Window, *look.background);
        setAutoFillBackground(true);
    } else {
        setAutoFillBackground(false);
        setAttribute(Qt::WA_TranslucentBackground);
    }
    setPalette(palette);
}

void AutoLabel::setCaption(const QString& caption) {
    setText(caption);
    // The left edge stays where it is: adjustSize only changes the size.
    if (autoSize_) adjustSize();
}

}  // namespace kit
