#include "AutoLabel.h"

#include <QPainter>
#include <QStyle>
#include <utility>

#include "FormSurface.h"
#include "Twips.h"

namespace kit {

AutoLabel::AutoLabel(FormSurface* surface, QString caption, int leftTwips, int topTwips, Look look)
    : Control(surface, QRect(toPixels(leftTwips), toPixels(topTwips), 0, 0)),
      caption_(std::move(caption)),
      look_(std::move(look)),
      autoSize_(true),
      alignment_(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs) {
    fit();
}

AutoLabel::AutoLabel(FormSurface* surface, QString caption, int leftTwips, int topTwips,
                     int widthTwips, int heightTwips, Look look)
    : Control(surface, QRect(toPixels(leftTwips), toPixels(topTwips), toPixels(widthTwips),
                             toPixels(heightTwips))),
      caption_(std::move(caption)),
      look_(std::move(look)),
      autoSize_(false),
      alignment_(Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextWordWrap) {}

QFont AutoLabel::font() const { return look_.font.resolve(surface()->font()); }

QFontMetrics AutoLabel::fontMetrics() const { return QFontMetrics(font()); }

QPalette AutoLabel::palette() const {
    QPalette palette = surface()->palette();
    palette.setColor(QPalette::WindowText, look_.textColour);
    if (look_.background) palette.setColor(QPalette::Window, *look_.background);
    return palette;
}

void AutoLabel::setCaption(const QString& caption) {
    if (caption == caption_) return;
    changed();
    caption_ = caption;
    // The left edge stays where it is: only the size follows the caption.
    if (autoSize_) fit();
    changed();
}

void AutoLabel::fit() {
    // The size a plain-text label without margin, indent or frame asks for.
    // Qt's flags are unsigned but take the low bits only; its calls take int.
    const int flags = static_cast<int>(alignment_ & ~(Qt::AlignVCenter | Qt::AlignHCenter));
    const QRect box = fontMetrics().boundingRect(0, 0, 2000, 2000, flags, caption_);
    setGeometry(QRect(pos(), box.size()));
}

void AutoLabel::paint(QPainter& painter) const {
    // A glyph's antialiased edge may reach a pixel past the box (a "V" at the
    // left); the caption stays inside its box, as it did in a window.
    painter.setClipRect(geometry(), Qt::IntersectClip);
    if (look_.background) painter.fillRect(geometry(), *look_.background);
    if (caption_.isEmpty()) return;
    const Qt::LayoutDirection direction =
        caption_.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    const int flags = static_cast<int>(
        QStyle::visualAlignment(direction, Qt::Alignment(alignment_)) |
        (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight : Qt::TextForceRightToLeft));
    painter.setFont(font());
    surface()->style()->drawItemText(&painter, geometry(), flags, palette(), isEnabled(), caption_,
                                     QPalette::WindowText);
}

}  // namespace kit
