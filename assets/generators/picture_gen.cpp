// Paints the two pictures that are easier to describe with shapes than to
// write pixel by pixel: the courtyard scene and the lacquered seal case.
// Usage: zanrai_picture_gen <output folder>
//
// The scene stays calm and light on purpose: the targets, the bonus and the
// hidden characters, the message box and the two lines the game draws must
// all stand out against it, so every surface is a flat, soft colour and the
// darkest tones are kept away from where the characters appear.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int sceneWidth = 417;
constexpr int sceneHeight = 250;

// Where the scene's bands meet, top to bottom.
constexpr int roofRidge = 98;
constexpr int eaveBottom = 115;
constexpr int plinthTop = 160;
constexpr int groundTop = 182;

// Deterministic per-pixel grain, so that rebuilding gives the same file.
int grain(int x, int y, int amplitude) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<int>(h % static_cast<std::uint32_t>(2 * amplitude + 1)) - amplitude;
}

QColor shifted(QColor c, int d) {
    return QColor(qBound(0, c.red() + d, 255), qBound(0, c.green() + d, 255), qBound(0, c.blue() + d, 255));
}

void paintSky(QPainter& p) {
    QLinearGradient sky(0, 0, 0, roofRidge + 4);
    sky.setColorAt(0.0, QColor(0x8f, 0xa3, 0xd2));
    sky.setColorAt(0.45, QColor(0xc8, 0xba, 0xd8));
    sky.setColorAt(0.80, QColor(0xf2, 0xcf, 0xb6));
    sky.setColorAt(1.0, QColor(0xf7, 0xdd, 0xbc));
    p.fillRect(0, 0, sceneWidth, roofRidge + 4, sky);

    // A low evening sun sinking into the hills, far from the message box.
    QRadialGradient glow(QPointF(312, 84), 56);
    glow.setColorAt(0.0, QColor(255, 236, 200, 170));
    glow.setColorAt(1.0, QColor(255, 236, 200, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(312, 84), 56, 56);
    p.setBrush(QColor(0xfc, 0xe9, 0xc6));
    p.drawEllipse(QPointF(312, 84), 11, 11);

    // Thin streaks of cloud lit from below.
    const struct { qreal x, y, w, h; } clouds[] = {
        {20, 22, 110, 5}, {60, 30, 70, 4}, {250, 14, 120, 5}, {300, 22, 80, 4}, {140, 70, 60, 3},
    };
    for (const auto& c : clouds) {
        p.setBrush(QColor(0xf6, 0xe2, 0xe4, 150));
        p.drawRoundedRect(QRectF(c.x, c.y, c.w, c.h), c.h / 2, c.h / 2);
        p.setBrush(QColor(0xfb, 0xd9, 0xbd, 140));
        p.drawRoundedRect(QRectF(c.x + 6, c.y + c.h - 1.5, c.w - 12, 1.5), 0.7, 0.7);
    }
}

void paintDistance(QPainter& p) {
    // Far hills: one soft silhouette, barely darker than the sky.
    QPainterPath hills;
    hills.moveTo(0, 86);
    hills.cubicTo(60, 70, 110, 84, 160, 80);
    hills.cubicTo(210, 76, 240, 90, 290, 84);
    hills.cubicTo(340, 78, 380, 70, 417, 80);
    hills.lineTo(417, roofRidge + 4);
    hills.lineTo(0, roofRidge + 4);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb9, 0xad, 0xc8));
    p.drawPath(hills);

    // A castle keep far away on the right, in the same haze.
    const QColor keep(0xa2, 0x98, 0xb8);
    const QColor roof(0x8e, 0x86, 0xa8);
    p.setBrush(keep);
    p.drawRect(QRectF(372, 62, 30, 36));
    p.drawRect(QRectF(377, 48, 20, 16));
    p.drawRect(QRectF(381, 38, 12, 12));
    p.setBrush(roof);
    auto tier = [&](qreal cx, qreal y, qreal half) {
        QPainterPath r;
        r.moveTo(cx - half, y + 4);
        r.quadTo(cx - half * 0.6, y + 2, cx - half * 0.35, y - 3);
        r.lineTo(cx + half * 0.35, y - 3);
        r.quadTo(cx + half * 0.6, y + 2, cx + half, y + 4);
        r.closeSubpath();
        p.drawPath(r);
    };
    tier(387, 62, 22);
    tier(387, 48, 16);
    tier(387, 38, 11);
    tier(387, 30, 7);
    p.setBrush(QColor(0xb0, 0xa6, 0xc4));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(378 + i * 7, 70, 3, 4));
}

void paintPine(QPainter& p) {
    // A garden pine behind the wall: a leaning trunk and flat needle pads,
    // placed so the hidden character crouches in its middle pad.
    const QColor bark(0x7a, 0x5c, 0x4c);
    QPainterPath trunk;
    trunk.moveTo(6, roofRidge + 2);
    trunk.cubicTo(10, 80, 30, 70, 40, 46);
    trunk.lineTo(47, 48);
    trunk.cubicTo(40, 72, 22, 84, 20, roofRidge + 2);
    trunk.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(bark);
    p.drawPath(trunk);
    p.setPen(QPen(QColor(0x8f, 0x71, 0x5e), 1.5));
    p.drawLine(QPointF(36, 56), QPointF(70, 62));
    p.drawLine(QPointF(20, 80), QPointF(4, 70));

    const QColor needleDark(0x5f, 0x84, 0x5f);
    const QColor needle(0x78, 0x9d, 0x72);
    const QColor needleLight(0x96, 0xb7, 0x88);
    const struct { qreal x, y, w, h; } pads[] = {
        {16, 30, 56, 16}, {0, 52, 30, 14}, {30, 64, 62, 20}, {70, 50, 36, 13}, {0, 84, 26, 12},
    };
    // Each pad is a cushion of overlapping lobes: darker below, lit on top.
    p.setPen(Qt::NoPen);
    for (const auto& pad : pads) {
        QPainterPath shape;
        const int lobes = std::max(2, static_cast<int>(pad.w / 14));
        for (int i = 0; i < lobes; ++i) {
            const qreal cx = pad.x + pad.h * 0.5 + (pad.w - pad.h) * i / (lobes - 1);
            const qreal ry = pad.h * (i % 2 == 0 ? 0.5 : 0.42);
            QPainterPath lobe;
            lobe.addEllipse(QPointF(cx, pad.y + pad.h * 0.55), pad.h * 0.62, ry);
            shape = shape.united(lobe);
        }
        p.setBrush(needleDark);
        p.drawPath(shape.translated(0, 1.5));
        p.setBrush(needle);
        p.drawPath(shape);
        p.save();
        p.setClipPath(shape);
        p.setBrush(needleLight);
        p.drawPath(shape.translated(0, pad.h * 0.55));
        p.setBrush(needle);
        p.drawPath(shape.translated(0, pad.h * 0.22));
        p.setBrush(needleDark);
        p.drawPath(shape.translated(0, pad.h * 0.72));
        p.restore();
    }
}

void paintWall(QImage& img) {
    // Plaster: warm off-white lit by the evening, with a faint grain.
    const QColor plaster(0xf1, 0xe9, 0xdc);
    for (int y = eaveBottom; y < plinthTop; ++y)
        for (int x = 0; x < sceneWidth; ++x)
            img.setPixelColor(x, y, shifted(plaster, grain(x, y, 3) - (y - eaveBottom) / 12));
    QPainter p(&img);

    // Soft shadow under the eave.
    for (int i = 0; i < 6; ++i) {
        p.setPen(QColor(0x8a, 0x76, 0x6a, 70 - i * 11));
        p.drawLine(0, eaveBottom + i, sceneWidth, eaveBottom + i);
    }

    // Dark wooden posts between the targets' places and a beam beneath the
    // eave: they frame each target instead of crossing it.
    const QColor wood(0x6e, 0x4d, 0x38);
    const QColor woodLight(0x86, 0x62, 0x49);
    p.setPen(Qt::NoPen);
    p.setBrush(wood);
    p.drawRect(0, eaveBottom + 3, sceneWidth, 3);
    for (int x : {8, 126, 190, 254, 322, 392}) {
        p.setBrush(wood);
        p.drawRect(x, eaveBottom + 3, 5, plinthTop - eaveBottom - 3);
        p.setBrush(woodLight);
        p.drawRect(x, eaveBottom + 6, 1, plinthTop - eaveBottom - 6);
    }

    // Lower boarding: a trim beam, then vertical boards.
    const QColor board(0x6a, 0x4b, 0x39);
    const QColor seam(0x55, 0x3b, 0x2c);
    p.setBrush(QColor(0x4d, 0x36, 0x29));
    p.drawRect(0, plinthTop, sceneWidth, 3);
    p.setBrush(board);
    p.drawRect(0, plinthTop + 3, sceneWidth, groundTop - plinthTop - 3);
    for (int x = 4; x < sceneWidth; x += 9) {
        p.setBrush(seam);
        p.drawRect(x, plinthTop + 3, 1, groundTop - plinthTop - 3);
        p.setBrush(QColor(0x7a, 0x58, 0x43));
        p.drawRect(x + 1, plinthTop + 3, 1, groundTop - plinthTop - 3);
    }
}

void paintRoof(QPainter& p) {
    // Grey-blue tiles: a ridge, rows of round tiles, and an eave of tile ends.
    const QColor ridge(0x4c, 0x55, 0x66);
    const QColor tile(0x74, 0x7f, 0x92);
    const QColor tileLight(0x8c, 0x97, 0xa9);
    const QColor tileDark(0x5d, 0x67, 0x79);
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRect(0, roofRidge + 3, sceneWidth, eaveBottom - roofRidge - 5);
    for (int x = 0; x < sceneWidth; x += 7) {
        p.setBrush(tileLight);
        p.drawRect(x, roofRidge + 4, 2, eaveBottom - roofRidge - 7);
        p.setBrush(tileDark);
        p.drawRect(x + 5, roofRidge + 4, 1, eaveBottom - roofRidge - 7);
    }
    p.setBrush(ridge);
    p.drawRect(0, roofRidge, sceneWidth, 4);
    p.setBrush(QColor(0x6a, 0x74, 0x86));
    p.drawRect(0, roofRidge, sceneWidth, 1);
    // Eave: a darker band with round tile ends.
    p.setBrush(tileDark);
    p.drawRect(0, eaveBottom - 3, sceneWidth, 4);
    for (int x = 3; x < sceneWidth; x += 7) {
        p.setBrush(ridge);
        p.drawEllipse(QPointF(x + 0.5, eaveBottom - 1.5), 2.5, 2.5);
        p.setBrush(tileLight);
        p.drawEllipse(QPointF(x, eaveBottom - 2), 0.9, 0.9);
    }
}

void paintGround(QImage& img) {
    // Raked gravel in long soft waves.
    const QColor gravel(0xe9, 0xe0, 0xcd);
    for (int y = groundTop; y < sceneHeight; ++y)
        for (int x = 0; x < sceneWidth; ++x)
            img.setPixelColor(x, y, shifted(gravel, grain(x, y, 4)));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0xd5, 0xc9, 0xb1), 1));
    for (int y = groundTop + 6; y < sceneHeight; y += 7) {
        QPainterPath rake;
        rake.moveTo(0, y);
        for (int x = 0; x <= sceneWidth; x += 40)
            rake.quadTo(x + 10, y + 1.5, x + 20, y);
        p.setBrush(Qt::NoBrush);
        p.drawPath(rake);
    }
    // The wall's shadow on the gravel.
    for (int i = 0; i < 5; ++i) {
        p.setPen(QColor(0x7a, 0x68, 0x56, 60 - i * 12));
        p.drawLine(0, groundTop + i, sceneWidth, groundTop + i);
    }
    // Three stepping stones.
    p.setPen(Qt::NoPen);
    const struct { qreal x, y, w, h; } stones[] = {{120, 214, 34, 10}, {196, 226, 30, 9}, {262, 212, 32, 10}};
    for (const auto& s : stones) {
        p.setBrush(QColor(0xb4, 0xad, 0xa0));
        p.drawEllipse(QRectF(s.x, s.y + 1, s.w, s.h));
        p.setBrush(QColor(0xca, 0xc4, 0xb8));
        p.drawEllipse(QRectF(s.x + 2, s.y, s.w - 4, s.h - 2));
    }
}

void paintLantern(QPainter& p) {
    // A stone lantern at the right edge, lit: the courtyard's warm light.
    const QColor stone(0xa8, 0xa2, 0x96);
    const QColor stoneDark(0x86, 0x80, 0x76);
    const QColor stoneLight(0xc2, 0xbc, 0xb0);
    QRadialGradient light(QPointF(402, 170), 34);
    light.setColorAt(0.0, QColor(255, 214, 140, 110));
    light.setColorAt(1.0, QColor(255, 214, 140, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawEllipse(QPointF(402, 170), 34, 34);

    p.setBrush(stoneDark);
    p.drawRect(QRectF(392, 214, 22, 6));            // foot
    p.setBrush(stone);
    p.drawRect(QRectF(398, 186, 9, 28));            // post
    p.drawRect(QRectF(392, 180, 21, 6));            // ledge
    p.setBrush(stoneLight);
    p.drawRect(QRectF(398, 186, 2, 28));
    p.setBrush(stone);
    p.drawRect(QRectF(394, 164, 17, 16));           // fire box
    p.setBrush(QColor(0xff, 0xd9, 0x8a));
    p.drawRect(QRectF(399, 168, 7, 9));             // lit window
    p.setBrush(QColor(0xff, 0xf1, 0xc8));
    p.drawRect(QRectF(401, 170, 3, 5));
    QPainterPath cap;
    cap.moveTo(386, 164);
    cap.quadTo(396, 160, 402, 150);
    cap.quadTo(408, 160, 418, 164);
    cap.closeSubpath();
    p.setBrush(stoneDark);
    p.drawPath(cap);
    p.setBrush(stone);
    p.drawEllipse(QPointF(402, 149), 2.5, 2.5);
}

QImage paintScene() {
    QImage img(sceneWidth, sceneHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        paintSky(p);
        paintDistance(p);
        paintPine(p);
    }
    // Grain is written pixel by pixel, so each of these opens its own painter
    // only after the pixels are set.
    paintWall(img);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        paintRoof(p);
    }
    paintGround(img);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        paintLantern(p);
    }
    return img.convertToFormat(QImage::Format_RGB888);
}

QImage paintSealCase() {
    // A black lacquered seal case with a gold crest on a cream cloth; the
    // picture is opaque, so the cloth fills the square.
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(QColor(0xf0, 0xe6, 0xcf));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    // Cord and toggle bead above the case.
    p.setBrush(QColor(0xb0, 0x2a, 0x2a));
    p.drawRect(QRectF(15, 1, 2, 7));
    p.setBrush(QColor(0xd8, 0xa8, 0x3a));
    p.drawEllipse(QPointF(16, 3), 2.6, 2.6);
    // Case body with its stacked compartments.
    QLinearGradient lacquer(6, 0, 26, 0);
    lacquer.setColorAt(0.0, QColor(0x1c, 0x16, 0x18));
    lacquer.setColorAt(0.35, QColor(0x4a, 0x3c, 0x40));
    lacquer.setColorAt(1.0, QColor(0x12, 0x0e, 0x10));
    p.setPen(QPen(QColor(0x0a, 0x08, 0x08), 1));
    p.setBrush(lacquer);
    p.drawRoundedRect(QRectF(6.5, 7.5, 19, 22), 4, 4);
    p.setPen(QPen(QColor(0x7a, 0x5a, 0x24), 1));
    for (qreal y : {12.5, 17.5, 24.5})
        p.drawLine(QPointF(7, y), QPointF(25, y));
    p.setPen(QPen(QColor(0xb0, 0x2a, 0x2a), 1));
    p.drawLine(QPointF(7, 8), QPointF(7, 29));
    p.drawLine(QPointF(25, 8), QPointF(25, 29));
    // Gold crest: a ring of five petals.
    p.setPen(Qt::NoPen);
    const QPointF c(16, 19);
    p.setBrush(QColor(0xe8, 0xbf, 0x4a));
    p.drawEllipse(c, 5.2, 5.2);
    p.setBrush(QColor(0x2a, 0x22, 0x24));
    p.drawEllipse(c, 3.8, 3.8);
    p.setBrush(QColor(0xf4, 0xd3, 0x6a));
    for (int i = 0; i < 5; ++i) {
        const double a = -3.14159265 / 2 + i * 2 * 3.14159265 / 5;
        p.drawEllipse(QPointF(c.x() + 2.0 * std::cos(a), c.y() + 2.0 * std::sin(a)), 1.3, 1.3);
    }
    p.setBrush(QColor(0xe8, 0xbf, 0x4a));
    p.drawEllipse(c, 0.9, 0.9);
    // Lacquer shine.
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawRoundedRect(QRectF(9, 9, 2, 17), 1, 1);
    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

bool save(const QImage& img, const QString& path) {
    if (img.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "zanrai_picture_gen: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const bool ok = save(paintScene(), dir + "/scene.png") && save(paintSealCase(), dir + "/spare_26.png");
    return ok ? 0 : 1;
}
