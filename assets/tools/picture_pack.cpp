// Turns every picture into the form the game draws, at build time, so that
// starting the game decodes nothing: a 32-bit BMP whose pixels are stored top
// down in the byte order of QImage's premultiplied ARGB, behind a 128-byte
// header. The game wraps those pixels where they lie in the program
// (pictures::load); any other reader sees an ordinary BMP with an alpha mask.
//
// Usage: zanrai_picture_pack <output folder> <picture>...
// Each picture (XPM, PNG, anything QImage reads) becomes <name>.bmp.
//
// Premultiplied and straight alpha are the same bytes only where a pixel is
// either clear or solid, so a picture with partly transparent pixels is
// refused: XPM cannot express them, and the painted pictures are opaque.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include <cstdio>

namespace {

// File header (14) + BITMAPV4HEADER (108), padded so that the pixels start
// 16-byte aligned within the file.
constexpr int pixelOffset = 128;
constexpr int v4HeaderSize = 108;

void put16(QByteArray& out, quint16 v) {
    out.append(static_cast<char>(v & 0xff));
    out.append(static_cast<char>(v >> 8));
}

void put32(QByteArray& out, quint32 v) {
    for (int shift = 0; shift < 32; shift += 8) out.append(static_cast<char>((v >> shift) & 0xff));
}

bool partlyTransparent(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0 && qAlpha(line[x]) != 255) return true;
    }
    return false;
}

QByteArray bmp(const QImage& source) {
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const auto pixelBytes = static_cast<quint32>(image.sizeInBytes());
    QByteArray out;
    out.append("BM");
    put32(out, pixelOffset + pixelBytes);
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, v4HeaderSize);
    put32(out, static_cast<quint32>(image.width()));
    put32(out, static_cast<quint32>(-image.height()));  // negative: rows top down
    put16(out, 1);                                      // planes
    put16(out, 32);                                     // bits per pixel
    put32(out, 3);                                      // BI_BITFIELDS
    put32(out, pixelBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0x00ff0000);  // red, green, blue and alpha masks: QImage's ARGB32
    put32(out, 0x0000ff00);
    put32(out, 0x000000ff);
    put32(out, alpha ? 0xff000000 : 0);
    put32(out, 0x73524742);     // 'sRGB'
    out.append(36 + 12, '\0');  // colour space end points and gamma, unused
    out.append(pixelOffset - out.size(), '\0');
    // Rows of 32-bit pixels need no padding, so the rows lie back to back as
    // in the QImage.
    out.append(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zanrai_picture_pack <output folder> <picture>...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        const QImage image(path);
        if (image.isNull()) {
            std::fprintf(stderr, "zanrai_picture_pack: cannot read %s\n", argv[i]);
            return 1;
        }
        if (image.hasAlphaChannel() &&
            partlyTransparent(image.convertToFormat(QImage::Format_ARGB32))) {
            std::fprintf(stderr,
                         "zanrai_picture_pack: %s has partly transparent pixels; a picture's "
                         "pixels are either clear or solid\n",
                         argv[i]);
            return 1;
        }
        QFile out(dir + QLatin1Char('/') + QFileInfo(path).completeBaseName() +
                  QStringLiteral(".bmp"));
        const QByteArray bytes = bmp(image);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "zanrai_picture_pack: cannot write %s\n",
                         qPrintable(out.fileName()));
            return 1;
        }
    }
    return 0;
}
