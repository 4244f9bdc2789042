// The hicolor icons must be the window's own icon, enlarged by repeating
// pixels (a blended pixel would blur the pixel art on every desktop), or,
// below 32 and at 48, the hand-drawn versions of it.

#include "Pictures.h"

#include <QColor>
#include <QImage>
#include <QSet>
#include <QString>

#include <gtest/gtest.h>

namespace {

QImage original() {
    return QImage(QString::fromLatin1(pictures::icon)).convertToFormat(QImage::Format_ARGB32);
}

QImage installed(int size) {
    const QString path =
        QStringLiteral(ZANRAI_ICON_THEME_DIR "/%1x%1/apps/" ZANRAI_APP_ID ".png").arg(size);
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

// Fully transparent pixels may keep any colour; they all look the same.
QRgb normalised(QRgb pixel) { return qAlpha(pixel) == 0 ? 0u : pixel; }

QString describe(QRgb pixel) { return QStringLiteral("#%1").arg(pixel, 8, 16, QLatin1Char('0')); }

}  // namespace

TEST(PackagedIcons, TheSourceIconIsThirtyTwoSquareWithTransparency) {
    const QImage source = original();
    ASSERT_FALSE(source.isNull());
    EXPECT_EQ(source.size(), QSize(32, 32));
    EXPECT_TRUE(source.hasAlphaChannel());
}

// 32 is the window's icon; the smaller sizes and 48 are drawn by hand, in
// its colours only, so that no size brings a colour of its own.
class AsDrawn : public ::testing::TestWithParam<int> {};

TEST_P(AsDrawn, InstalledPixelForPixelInTheWindowIconsColours) {
    const int size = GetParam();
    const QImage source =
        size == 32 ? original()
                   : QImage(QStringLiteral(ZANRAI_ICON_SOURCE_DIR "/icon_%1.xpm").arg(size))
                         .convertToFormat(QImage::Format_ARGB32);
    const QImage icon = installed(size);
    ASSERT_FALSE(icon.isNull());
    ASSERT_EQ(source.size(), QSize(size, size));
    ASSERT_EQ(icon.size(), source.size());
    const QImage reference = original();
    QSet<QRgb> palette;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) palette.insert(normalised(reference.pixel(x, y)));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            ASSERT_EQ(normalised(icon.pixel(x, y)), normalised(source.pixel(x, y)))
                << size << "x" << size << " at " << x << "," << y;
            ASSERT_TRUE(palette.contains(normalised(source.pixel(x, y))))
                << "colour " << describe(source.pixel(x, y)).toStdString() << " at " << x << ","
                << y << " is not in the window's icon";
        }
}

INSTANTIATE_TEST_SUITE_P(Sizes, AsDrawn, ::testing::Values(16, 22, 24, 32, 48));

class WholeMultiple : public ::testing::TestWithParam<int> {};

TEST_P(WholeMultiple, EverySourcePixelBecomesASolidBlock) {
    const int size = GetParam();
    const int factor = size / 32;
    const QImage source = original();
    const QImage icon = installed(size);
    ASSERT_FALSE(icon.isNull());
    ASSERT_EQ(icon.size(), QSize(size, size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            ASSERT_EQ(normalised(icon.pixel(x, y)),
                      normalised(source.pixel(x / factor, y / factor)))
                << size << "x" << size << " at " << x << "," << y << ": "
                << describe(icon.pixel(x, y)).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Sizes, WholeMultiple, ::testing::Values(64, 128, 256));
