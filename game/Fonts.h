#pragma once

#include <QFont>

// The Japanese Gothic face the windows ask for first, with the face that
// stands in for it on systems that lack it.
inline QFont gothicFont(double points, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The user-interface face at the size the main window's panel titles use.
inline QFont panelFont() {
    QFont font;
    font.setPointSizeF(9);
    return font;
}
