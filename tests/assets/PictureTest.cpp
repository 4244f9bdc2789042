#include "PictureCatalogue.h"
#include "Pictures.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using pictures::Entry;
using pictures::Kind;

QImage load(const char* path) { return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32); }

const Entry* find(const std::string& name) {
    for (const auto& e : pictures::catalogue())
        if (name == e.name)
            return &e;
    return nullptr;
}

bool transparent(const QImage& img, int x, int y) { return qAlpha(img.pixel(x, y)) == 0; }

class EveryPicture : public testing::TestWithParam<Entry> {};

TEST_P(EveryPicture, LoadsFromTheLinkedResourcesAtItsSize) {
    const Entry& e = GetParam();
    const QImage img(QString::fromLatin1(e.path));
    ASSERT_FALSE(img.isNull()) << e.path;
    EXPECT_EQ(img.size(), e.size) << e.name;
}

TEST_P(EveryPicture, HasTransparencyExactlyWhenItShould) {
    const Entry& e = GetParam();
    const QImage img = load(e.path);
    int clear = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            clear += transparent(img, x, y);
    const bool shouldBeTransparent = e.kind != Kind::Opaque && e.kind != Kind::Scene;
    if (shouldBeTransparent) {
        EXPECT_GT(clear, img.width() * img.height() / 8) << e.name << " has no transparent surround";
        EXPECT_LT(clear, img.width() * img.height() * 7 / 8) << e.name << " is nearly blank";
    } else {
        EXPECT_EQ(clear, 0) << e.name << " should be fully opaque";
    }
}

std::vector<Entry> ofKinds(std::initializer_list<Kind> kinds) {
    std::vector<Entry> out;
    for (const auto& e : pictures::catalogue())
        if (std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end())
            out.push_back(e);
    return out;
}

std::string nameOf(const testing::TestParamInfo<Entry>& info) { return info.param.name; }

class PalettePicture : public testing::TestWithParam<Entry> {};

TEST_P(PalettePicture, UsesAFewDozenColoursAtMost) {
    const Entry& e = GetParam();
    const QImage img = load(e.path);
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            colours.insert(img.pixel(x, y));
    EXPECT_GE(colours.size(), 4) << e.name << " looks blank";
    EXPECT_LE(colours.size(), e.kind == Kind::Cursor ? 16 : 40) << e.name;
}

class CharacterSprite : public testing::TestWithParam<Entry> {};

// Sprites are read against the scene, so their edge against the transparent
// surround must be mostly a dark outline.
TEST_P(CharacterSprite, EdgesAreMostlyDarkOutline) {
    const Entry& e = GetParam();
    const QImage img = load(e.path);
    int edge = 0;
    int dark = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (transparent(img, x, y))
                continue;
            const bool bordersClear = (x == 0 || transparent(img, x - 1, y)) || (x == 31 || transparent(img, x + 1, y)) ||
                                      (y == 0 || transparent(img, x, y - 1)) || (y == 31 || transparent(img, x, y + 1));
            if (!bordersClear)
                continue;
            ++edge;
            dark += QColor(img.pixel(x, y)).lightness() < 90;
        }
    ASSERT_GT(edge, 0);
    EXPECT_GE(dark * 100 / edge, 75) << e.name << ": " << dark << " of " << edge << " edge pixels are dark";
}

INSTANTIATE_TEST_SUITE_P(Assets, EveryPicture, testing::ValuesIn(pictures::catalogue().begin(), pictures::catalogue().end()),
                         nameOf);
INSTANTIATE_TEST_SUITE_P(Assets, PalettePicture, testing::ValuesIn(ofKinds({Kind::Sprite, Kind::Cursor, Kind::Icon})), nameOf);
INSTANTIATE_TEST_SUITE_P(Assets, CharacterSprite, testing::ValuesIn(ofKinds({Kind::Sprite})), nameOf);

TEST(Pictures, CutAndFoundPicturesVisiblyDifferFromTheirNormalOnes) {
    int pairs = 0;
    for (const auto& e : pictures::catalogue()) {
        if (!e.pairedWith)
            continue;
        ++pairs;
        const Entry* normal = find(e.pairedWith);
        ASSERT_NE(normal, nullptr) << e.pairedWith;
        const QImage a = load(e.path);
        const QImage b = load(normal->path);
        int differing = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                differing += a.pixel(x, y) != b.pixel(x, y);
        EXPECT_GT(differing, 32 * 32 / 8) << e.name << " is too close to " << e.pairedWith;
    }
    EXPECT_EQ(pairs, 4);
}

TEST(Pictures, TheFourSpecialTargetsAreDistinct) {
    const char* targets[] = {pictures::ura_target_1, pictures::ura_target_2, pictures::ura_target_3, pictures::ura_target_4,
                             pictures::target};
    for (int i = 0; i < 5; ++i)
        for (int j = i + 1; j < 5; ++j)
            EXPECT_NE(load(targets[i]), load(targets[j])) << targets[i] << " and " << targets[j];
}

TEST(Pictures, CursorHotSpotIsTheBladeTip) {
    const QImage img = load(pictures::cursor);
    ASSERT_FALSE(transparent(img, pictures::cursorHotX, pictures::cursorHotY));
    for (int y = 0; y < pictures::cursorHotY; ++y)
        for (int x = 0; x < 32; ++x)
            EXPECT_TRUE(transparent(img, x, y)) << "something above the tip at " << x << "," << y;
    // The blade runs straight down from the tip.
    for (int y = pictures::cursorHotY; y < pictures::cursorHotY + 16; ++y)
        EXPECT_FALSE(transparent(img, pictures::cursorHotX, y)) << "gap in the blade at row " << y;
}

// The characters stand where the scene must stay light and calm; a dark or
// busy backdrop there would swallow their outlines.
TEST(Pictures, SceneIsLightBehindEveryCharacter) {
    const QImage scene = load(pictures::scene);
    const QRect places[] = {{80, 120, 32, 32}, {144, 120, 32, 32}, {208, 120, 32, 32}, {272, 120, 32, 32},
                            {344, 120, 32, 32}, {216, 64, 32, 32}, {40, 72, 32, 32}};
    for (const QRect& r : places) {
        long sum = 0;
        int darkest = 255;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const int l = QColor(scene.pixel(x, y)).lightness();
                sum += l;
                darkest = std::min(darkest, l);
            }
        const long mean = sum / (r.width() * r.height());
        EXPECT_GE(mean, 120) << "backdrop at " << r.x() << "," << r.y() << " is too dark";
        EXPECT_GE(darkest, 40) << "near-black in the backdrop at " << r.x() << "," << r.y();
    }
}

TEST(Pictures, IconAndCursorWorkAsPixmaps) {
    const QPixmap cursor(QString::fromLatin1(pictures::cursor));
    EXPECT_EQ(cursor.size(), QSize(32, 32));
    EXPECT_TRUE(cursor.hasAlphaChannel());
    const QIcon icon(QString::fromLatin1(pictures::icon));
    EXPECT_FALSE(icon.pixmap(32, 32).isNull());
}

}  // namespace
