#include "Pictures.h"

#include <QImage>
#include <QResource>
#include <QString>
#include <QtEndian>

#include <cstdint>

namespace pictures {
namespace {

// Where the fields of the header written by zanrai_picture_pack lie.
constexpr qsizetype pixelOffsetAt = 10, headerSizeAt = 14, widthAt = 18, heightAt = 22, bitsAt = 28,
                    compressionAt = 30, masksAt = 54, headerEnd = 14 + 108;

quint32 u32(const uchar* at) { return qFromLittleEndian<quint32>(at); }

// The pixels of a BMP in the packed form, wrapped without a copy; a null
// image when the data is in any other form.
QImage wrap(const uchar* data, qsizetype size) {
    if (size < headerEnd || data[0] != 'B' || data[1] != 'M') return {};
    const quint32 offset = u32(data + pixelOffsetAt);
    const auto width = static_cast<qint32>(u32(data + widthAt));
    const auto height = -static_cast<qint32>(u32(data + heightAt));  // stored top down
    const bool packed =
        u32(data + headerSizeAt) == 108 && qFromLittleEndian<quint16>(data + bitsAt) == 32 &&
        u32(data + compressionAt) == 3 && u32(data + masksAt) == 0x00ff0000 &&
        u32(data + masksAt + 4) == 0x0000ff00 && u32(data + masksAt + 8) == 0x000000ff;
    const quint32 alphaMask = u32(data + masksAt + 12);
    if (!packed || width <= 0 || height <= 0 || (alphaMask != 0 && alphaMask != 0xff000000))
        return {};
    const qsizetype bytesPerLine = qsizetype{width} * 4;
    if (offset < headerEnd || offset + bytesPerLine * height > size) return {};
    const uchar* pixels = data + offset;
    // QImage needs its rows 32-bit aligned; the packer puts them so within
    // the file and the resource compiler keeps files 4-byte aligned.
    if (reinterpret_cast<std::uintptr_t>(pixels) % 4 != 0) return {};
    return {pixels, width, height, bytesPerLine,
            alphaMask != 0 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32};
}

}  // namespace

QImage load(const char* path) {
    const QString name = QString::fromLatin1(path);
    const QResource resource(name);
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression) {
        QImage image = wrap(resource.data(), resource.size());
        if (!image.isNull()) return image;
    }
    return QImage(name);
}

}  // namespace pictures
