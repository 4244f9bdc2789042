#include "Palette.h"
#include "PictureCatalogue.h"
#include "Pictures.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QResource>
#include <QSet>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using pictures::Entry;
using pictures::Kind;

QImage load(const char* path) {
    return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32);
}

const Entry* find(const std::string& name) {
    for (const auto& e : pictures::catalogue())
        if (name == e.name) return &e;
    return nullptr;
}

bool transparent(const QImage& img, int x, int y) { return qAlpha(img.pixel(x, y)) == 0; }

class EveryPicture : public testing::TestWithParam<Entry> {};

TEST_P(EveryPicture, LoadsFromTheLinkedResourcesAtItsSize) {
    const Entry& e = GetParam();
    const QImage img(QString::fromLatin1(e.path));
    ASSERT_FALSE(img.isNull()) << e.path;
    EXPECT_EQ(img.size(), e.size) << e.name;
    // The game's own loader uses the packed pixels in place: they must be
    // the picture every other reader sees.
    const QImage inPlace = pictures::load(e.path);
    const QResource stored(QString::fromLatin1(e.path));
    EXPECT_TRUE(inPlace.constBits() > stored.data() &&
                inPlace.constBits() < stored.data() + stored.size())
        << e.name << " was decoded, not used in place";
    EXPECT_EQ(inPlace.convertToFormat(QImage::Format_ARGB32), load(e.path)) << e.name;
}

TEST_P(EveryPicture, HasTransparencyExactlyWhenItShould) {
    const Entry& e = GetParam();
    const QImage img = load(e.path);
    int clear = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) clear += transparent(img, x, y);
    const bool shouldBeTransparent = e.kind != Kind::Opaque && e.kind != Kind::Scene;
    if (shouldBeTransparent) {
        EXPECT_GT(clear, img.width() * img.height() / 8)
            << e.name << " has no transparent surround";
        EXPECT_LT(clear, img.width() * img.height() * 7 / 8) << e.name << " is nearly blank";
    } else {
        EXPECT_EQ(clear, 0) << e.name << " should be fully opaque";
    }
}

std::vector<Entry> ofKinds(std::initializer_list<Kind> kinds) {
    std::vector<Entry> out;
    for (const auto& e : pictures::catalogue())
        if (std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end()) out.push_back(e);
    return out;
}

std::string nameOf(const testing::TestParamInfo<Entry>& info) { return info.param.name; }

class PalettePicture : public testing::TestWithParam<Entry> {};

TEST_P(PalettePicture, UsesAFewDozenColoursAtMost) {
    const Entry& e = GetParam();
    const QImage img = load(e.path);
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) colours.insert(img.pixel(x, y));
    EXPECT_GE(colours.size(), 4) << e.name << " looks blank";
    EXPECT_LE(colours.size(), e.kind == Kind::Cursor ? 16 : 40) << e.name;
}

// Every picture keeps to the one palette, so that the scene and the cast
// read as one picture; and the palette holds no near-duplicates, the way
// stray outline blacks and skin tones crept in before.
TEST_P(EveryPicture, KeepsToTheOnePalette) {
    const Entry& e = GetParam();
    const QImage img = load(e.path);
    QSet<QRgb> foreign;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!transparent(img, x, y) &&
                std::find(palette::all.begin(), palette::all.end(), img.pixel(x, y) & 0xffffffu) ==
                    palette::all.end())
                foreign.insert(img.pixel(x, y) & 0xffffffu);
    for (QRgb c : foreign)
        ADD_FAILURE() << e.name << " uses #"
                      << QString::number(c, 16).rightJustified(6, u'0').toStdString();
}

TEST(Pictures, ThePaletteIsSmallAndHasNoNearDuplicates) {
    EXPECT_LE(palette::all.size(), 48u);
    for (std::size_t i = 0; i < palette::all.size(); ++i)
        for (std::size_t j = i + 1; j < palette::all.size(); ++j) {
            const QRgb a = palette::all[i], b = palette::all[j];
            EXPECT_GT(std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                std::abs(qBlue(a) - qBlue(b))}),
                      12)
                << std::hex << a << " and " << b;
        }
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
            if (transparent(img, x, y)) continue;
            const bool bordersClear =
                (x == 0 || transparent(img, x - 1, y)) || (x == 31 || transparent(img, x + 1, y)) ||
                (y == 0 || transparent(img, x, y - 1)) || (y == 31 || transparent(img, x, y + 1));
            if (!bordersClear) continue;
            ++edge;
            dark += QColor(img.pixel(x, y)).lightness() < 90;
        }
    ASSERT_GT(edge, 0);
    EXPECT_GE(dark * 100 / edge, 75)
        << e.name << ": " << dark << " of " << edge << " edge pixels are dark";
}

INSTANTIATE_TEST_SUITE_P(Assets, EveryPicture,
                         testing::ValuesIn(pictures::catalogue().begin(),
                                           pictures::catalogue().end()),
                         nameOf);
INSTANTIATE_TEST_SUITE_P(
    Assets, PalettePicture,
    testing::ValuesIn(ofKinds({Kind::Sprite, Kind::Cursor, Kind::Icon, Kind::Scene})), nameOf);
INSTANTIATE_TEST_SUITE_P(Assets, CharacterSprite, testing::ValuesIn(ofKinds({Kind::Sprite})),
                         nameOf);

TEST(Pictures, CutAndFoundPicturesVisiblyDifferFromTheirNormalOnes) {
    int pairs = 0;
    for (const auto& e : pictures::catalogue()) {
        if (!e.pairedWith) continue;
        ++pairs;
        const Entry* normal = find(e.pairedWith);
        ASSERT_NE(normal, nullptr) << e.pairedWith;
        const QImage a = load(e.path);
        const QImage b = load(normal->path);
        int differing = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) differing += a.pixel(x, y) != b.pixel(x, y);
        EXPECT_GT(differing, 32 * 32 / 8) << e.name << " is too close to " << e.pairedWith;
    }
    EXPECT_EQ(pairs, 4);
}

TEST(Pictures, TheFourSpecialTargetsAreDistinct) {
    const char* targets[] = {pictures::uraTarget1, pictures::uraTarget2, pictures::uraTarget3,
                             pictures::uraTarget4, pictures::target};
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

// WCAG relative luminance of an sRGB colour.
double luminance(QRgb c) {
    auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

double contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

struct Lowest {
    double ratio = 1e9;
    QPoint where;  // scene pixel of the weakest edge
};

// How well a figure standing at `at` separates from the scene: for every
// pixel of its silhouette's edge, the better of the edge pixel and the body
// pixels just inside it, against the mean luminance of the scene around that
// spot (the 3 x 3 block, wherever the figure leaves the scene visible, so a
// dither or a one-pixel seam is seen as the eye sees it). The figure is as
// easy to find as its weakest edge pixel.
Lowest lowestContrast(const QImage& scene, const QImage& figure, QPoint at) {
    auto opaque = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 32 && y < 32 && !transparent(figure, x, y);
    };
    Lowest lowest;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (!opaque(x, y) ||
                (opaque(x - 1, y) && opaque(x + 1, y) && opaque(x, y - 1) && opaque(x, y + 1)))
                continue;
            double around = 0;
            int seen = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const QPoint s = at + QPoint(x + dx, y + dy);
                    if (opaque(x + dx, y + dy) || !scene.rect().contains(s)) continue;
                    around += luminance(scene.pixel(s));
                    ++seen;
                }
            if (seen == 0) continue;
            around /= seen;
            double best = contrast(luminance(figure.pixel(x, y)), around);
            for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
                if (opaque(x + d.x(), y + d.y()))
                    best = std::max(
                        best, contrast(luminance(figure.pixel(x + d.x(), y + d.y())), around));
            if (best < lowest.ratio) lowest = {best, at + QPoint(x, y)};
        }
    return lowest;
}

// Every figure must be easy to pick out wherever it can stand: the targets
// in each column on their whole way from the home row (top at y = 120)
// past the limit (y = 192) by a last push (10 px), the bonus and the
// hidden characters, before and after a cut, at their places. The guide
// lines are left out: the player can hide them, and they cross a figure
// for one pixel row only.
TEST(Pictures, EveryFigureStandsOutFromTheSceneWhereverItCanBe) {
    const QImage scene = load(pictures::scene);
    struct Place {
        std::vector<const char*> figures;
        std::vector<QPoint> spots;
    };
    std::vector<QPoint> path;
    for (int column : {80, 144, 208, 272, 344})
        for (int top = 120; top <= 202; ++top) path.emplace_back(column, top);
    const Place places[] = {
        {{"target", "ura_target_1", "ura_target_2", "ura_target_3", "ura_target_4"}, path},
        {{"bonus", "bonus_cut", "ura_bonus", "ura_bonus_cut"}, {{216, 64}}},
        {{"hidden", "hidden_found", "ura_hidden", "ura_hidden_found"}, {{40, 72}}},
    };
    for (const Place& place : places)
        for (const char* name : place.figures) {
            const Entry* e = find(name);
            ASSERT_NE(e, nullptr) << name;
            const QImage figure = load(e->path);
            Lowest lowest;
            for (const QPoint& spot : place.spots) {
                const Lowest here = lowestContrast(scene, figure, spot);
                if (here.ratio < lowest.ratio) lowest = here;
            }
            std::printf("  %-17s lowest contrast %.2f : 1 at (%d, %d)\n", name, lowest.ratio,
                        lowest.where.x(), lowest.where.y());
            EXPECT_GE(lowest.ratio, 3.0) << name << " fades into the scene at " << lowest.where.x()
                                         << "," << lowest.where.y();
        }
}

}  // namespace
