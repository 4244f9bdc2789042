#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <thread>

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

// Opening the Japanese face (a large TrueType file found through fontconfig
// and entered into Qt's font database) takes several milliseconds the first
// time; done on a thread of its own while the window is being built, most of
// it is off the start-up path, and the window's first label finds it ready.
// Needs the QApplication; the thread is joined when the result goes.
// (A plain thread: std::async's once-flag would make the program need the
// dynamic loader's TLS entry point by name, which packaging checks reject.)
[[nodiscard]] inline std::jthread loadGothicFaceInBackground() {
    return std::jthread([] {
        QFontMetrics(gothicFont(14.25)).boundingRect(QStringLiteral("レッツプレイ0123456789"));
    });
}
