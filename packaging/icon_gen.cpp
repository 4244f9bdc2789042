// Writes the program's icon into a hicolor theme tree: the 32 x 32 picture
// as drawn, and larger copies for desktops that ask for them. The sprite is
// pixel art, so it is enlarged by repeating pixels; smoothing would blur it.
// Below 32 a scaled-down copy would lose the blade and the hilt, and at 48,
// which is no whole multiple of 32, repeated pixels would come out one and
// two pixels wide by turns; so those sizes are drawn by hand (an XPM file
// each) and written as they are.
// Usage: zanrai_icon_gen <theme-root> <icon-name> <size | file.xpm>...
// Only QImage is used, so no display and no QGuiApplication are needed.

#include "Pictures.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <theme-root> <icon-name> <size>...\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);

    const QImage original =
        QImage(QString::fromLatin1(pictures::icon)).convertToFormat(QImage::Format_ARGB32);
    if (original.isNull()) {
        std::fprintf(stderr, "%s: the icon is missing from the resources\n", argv[0]);
        return 1;
    }

    for (int i = 3; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        QImage image;
        if (arg.endsWith(QLatin1String(".xpm"))) {
            image = QImage(arg).convertToFormat(QImage::Format_ARGB32);
            if (image.isNull() || image.width() != image.height()) {
                std::fprintf(stderr, "%s: cannot read a square icon from %s\n", argv[0], argv[i]);
                return 1;
            }
        } else {
            char* end = nullptr;
            const long size = std::strtol(argv[i], &end, 10);
            if (*end != '\0' || size < original.width() || size > 1024) {
                std::fprintf(stderr, "%s: bad size '%s'\n", argv[0], argv[i]);
                return 2;
            }
            const int side = static_cast<int>(size);
            image = side == original.width() ? original
                                             : original.scaled(side, side, Qt::IgnoreAspectRatio,
                                                               Qt::FastTransformation);
        }
        const int side = image.width();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(side);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
