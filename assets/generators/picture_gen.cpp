// Paints the two pictures that are easier to describe with shapes than to
// write pixel by pixel: the courtyard scene and the lacquered seal case.
// Usage: zanrai_picture_gen <output folder>
//
// The scene is pixel art in the characters' own style: every colour comes
// from one small palette shared with the sprites, edges are hard, shapes
// carry the same dark outline as the cast, and shading is ordered dithering
// rather than gradients. Wherever a character can stand the backdrop keeps
// to light or middle tones, so the cast's dark outline always reads.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "../Palette.h"

namespace {

constexpr int sceneWidth = 417;
constexpr int sceneHeight = 250;

// Where the scene's bands meet, top to bottom. The targets stand on the
// plaster, sink over the boarding and pass the limit over the gravel.
constexpr int roofRidge = 98;
constexpr int eaveBottom = 112;
constexpr int plinthTop = 160;
constexpr int groundTop = 182;

// The scene's names for the colours of the shared palette, by what they
// paint here.
namespace ink {
constexpr QRgb outline = palette::outline;
constexpr QRgb roofInk = palette::ink;
constexpr QRgb slate = palette::slate;
constexpr QRgb slateLight = palette::slateLight;
constexpr QRgb skyHigh = palette::haze;
constexpr QRgb mist = palette::mist;
constexpr QRgb mistLight = palette::mistLight;
constexpr QRgb cloud = palette::white;
constexpr QRgb paper = palette::paper;
constexpr QRgb cream = palette::cream;
constexpr QRgb beige = palette::beige;
constexpr QRgb board = palette::board;
constexpr QRgb boardShade = palette::boardShade;
constexpr QRgb stone = palette::stone;
constexpr QRgb bark = palette::bark;
constexpr QRgb barkLight = palette::barkLight;
constexpr QRgb peach = palette::skin;
constexpr QRgb haze = palette::haze;
constexpr QRgb hazeLight = palette::mist;
constexpr QRgb grey = palette::grey;
constexpr QRgb needle = palette::needle;
constexpr QRgb needleLight = palette::needleLight;
constexpr QRgb needleDark = palette::needleDark;
constexpr QRgb pineInk = palette::pineInk;
constexpr QRgb gold = palette::gold;
constexpr QRgb goldDark = palette::goldDark;
constexpr QRgb lamp = palette::lamp;
constexpr QRgb lampLight = palette::lampLight;
}  // namespace ink

// 2 x 2 ordered dither: four levels between two colours, the classic
// pixel-art stand-in for a gradient.
bool ditherOn(int x, int y, int quarter) {
    static constexpr int order[2][2] = {{0, 2}, {3, 1}};
    return order[y & 1][x & 1] < quarter;
}

class Canvas {
public:
    Canvas() : img_(sceneWidth, sceneHeight, QImage::Format_RGB32) { img_.fill(ink::paper); }

    void put(int x, int y, QRgb c) {
        if (x >= 0 && y >= 0 && x < sceneWidth && y < sceneHeight)
            img_.setPixel(x, y, c | 0xff000000u);
    }
    void fill(int x0, int y0, int x1, int y1, QRgb c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) put(x, y, c);
    }
    // A filled box with a one-pixel outline, as the sprites draw solid parts.
    void box(int x0, int y0, int x1, int y1, QRgb body, QRgb edge) {
        fill(x0, y0, x1, y1, edge);
        fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, body);
    }
    // Mixes two colours over a rectangle in quarters (0 = all a, 4 = all b).
    void dither(int x0, int y0, int x1, int y1, QRgb a, QRgb b, int quarter) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) put(x, y, ditherOn(x, y, quarter) ? b : a);
    }
    QImage image() const { return img_.convertToFormat(QImage::Format_RGB888); }

private:
    QImage img_;
};

// A shape as a set of pixels, so it can be shaded row by row and then
// given an outline wherever it meets something else.
class Mask {
public:
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < sceneWidth && y < sceneHeight && bits_[index(x, y)];
    }
    void set(int x, int y) {
        if (x >= 0 && y >= 0 && x < sceneWidth && y < sceneHeight) bits_[index(x, y)] = true;
    }
    bool edge(int x, int y) const {
        return at(x, y) && (!at(x - 1, y) || !at(x + 1, y) || !at(x, y - 1) || !at(x, y + 1));
    }

private:
    static std::size_t index(int x, int y) {
        return static_cast<std::size_t>(y) * sceneWidth + static_cast<std::size_t>(x);
    }
    std::vector<bool> bits_ = std::vector<bool>(static_cast<std::size_t>(sceneWidth) * sceneHeight);
};

// 4 x 4 ordered dither: sixteen steps between two colours, so a long
// gradient thins out row by row instead of in a few visible bands.
bool fineDitherOn(int x, int y, int sixteenths) {
    static constexpr int order[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return order[y & 3][x & 3] < sixteenths;
}

// A dusk sky from cool blue overhead to the warm horizon, each colour
// thinning into the next over its whole span, with flat clouds and a low
// sun.
void paintSky(Canvas& c) {
    const struct {
        int y;
        QRgb colour;
    } stops[] = {{0, ink::skyHigh},
                 {26, ink::mist},
                 {50, ink::mistLight},
                 {70, ink::paper},
                 {92, ink::peach}};
    for (std::size_t i = 0; i + 1 < std::size(stops); ++i) {
        const int span = stops[i + 1].y - stops[i].y;
        for (int y = stops[i].y; y < stops[i + 1].y; ++y) {
            const int sixteenths =
                ((y - stops[i].y) * 16 + span / 2) / span;  // 0 at the top, 15 or 16 last
            for (int x = 0; x < sceneWidth; ++x)
                c.put(x, y, fineDitherOn(x, y, sixteenths) ? stops[i + 1].colour : stops[i].colour);
        }
    }
    c.fill(0, 92, sceneWidth - 1, roofRidge, ink::peach);

    // Long flat clouds with a few rounded puffs on top, lit above and grey
    // along the flat underside.
    const struct {
        int x, y, w;
    } clouds[] = {{18, 16, 96}, {238, 12, 110}, {118, 34, 44}, {300, 28, 56}};
    for (const auto& k : clouds) {
        for (int x = k.x; x <= k.x + k.w; ++x) {
            const int along = x - k.x;
            const int edge = std::min(along, k.w - along);
            // Puffs every 18 pixels, up to four rows tall, tapering at the ends.
            const double puff = std::abs(std::sin((along + 5) * 3.14159265 / 18));
            const int height =
                std::min({1 + static_cast<int>(std::lround(3 * puff)), 1 + edge / 3, 4});
            for (int y = k.y + 2 - height; y <= k.y + 2; ++y)
                c.put(x, y,
                      y == k.y + 2 ? ink::hazeLight
                                   : (y == k.y + 2 - height ? ink::cloud : ink::paper));
        }
    }

    // The sun sinking behind the far hills.
    for (int y = -8; y <= 8; ++y)
        for (int x = -8; x <= 8; ++x) {
            const int d = x * x + y * y;
            if (d <= 64) c.put(290 + x, 80 + y, d <= 36 ? ink::lampLight : ink::lamp);
        }
}

// Two ranges of hills in haze; nearer is darker, neither has an outline, so
// the distance stays quiet behind the bonus character.
void paintHills(Canvas& c) {
    for (int x = 0; x < sceneWidth; ++x) {
        const int far =
            78 + static_cast<int>(std::lround(5 * std::sin(x / 37.0) + 3 * std::sin(x / 13.0 + 1)));
        const int near =
            88 + static_cast<int>(std::lround(4 * std::sin(x / 29.0 + 2) + 2 * std::sin(x / 11.0)));
        for (int y = far; y <= roofRidge; ++y)
            c.put(x, y, y == far ? ink::mistLight : ink::hazeLight);
        for (int y = near; y <= roofRidge; ++y) c.put(x, y, y == near ? ink::hazeLight : ink::haze);
    }
}

// One roof of the keep: a dark tiled hip whose eave flares out and turns up
// at both tips.
void castleRoof(Canvas& c, int cx, int top, int eave, int halfTop, int halfEave) {
    for (int y = top; y <= eave; ++y) {
        const double t = static_cast<double>(y - top) / (eave - top);
        const int half =
            halfTop + static_cast<int>(std::lround((halfEave - halfTop) * std::pow(t, 1.7)));
        for (int x = cx - half; x <= cx + half; ++x) {
            QRgb colour = ink::slate;
            if (y == top || x == cx - half || x == cx + half)
                colour = ink::roofInk;
            else if (y == top + 1)
                colour = x < cx ? ink::slateLight : ink::slate;
            if (y == eave) colour = ink::roofInk;
            c.put(x, y, colour);
        }
    }
    // The upturned tips.
    c.put(cx - halfEave - 1, eave - 1, ink::roofInk);
    c.put(cx + halfEave + 1, eave - 1, ink::roofInk);
    c.put(cx - halfEave - 2, eave - 2, ink::roofInk);
    c.put(cx + halfEave + 2, eave - 2, ink::roofInk);
}

// A storey of white plaster with a row of small dark windows.
void castleWall(Canvas& c, int cx, int top, int bottom, int half) {
    c.fill(cx - half, top, cx + half, bottom, ink::paper);
    c.fill(cx + half / 2, top, cx + half, bottom, ink::cream);
    c.fill(cx - half, bottom, cx + half, bottom, ink::hazeLight);
    for (int row = top + 2; row + 1 < bottom - 1; row += 6)
        for (int x = cx - half + 3; x + 1 <= cx + half - 2; x += 5)
            c.fill(x, row, x + 1, row + 1, ink::roofInk);
}

// A gable over the middle of a roof: white face, dark bargeboards, a gold
// ornament at its peak.
void castleGable(Canvas& c, int cx, int peak, int base) {
    for (int y = peak; y <= base; ++y) {
        const int half = y - peak;
        for (int x = cx - half; x <= cx + half; ++x)
            c.put(x, y,
                  (x == cx - half || x == cx + half || y == base) ? ink::roofInk : ink::paper);
    }
    c.put(cx, peak + 2, ink::gold);
}

// The shachihoko: a gold fish on each end of the top ridge, tail in the air.
void shachihoko(Canvas& c, int x, int ridge, int facing) {
    c.put(x, ridge - 1, ink::goldDark);
    c.put(x, ridge - 2, ink::gold);
    c.put(x - facing, ridge - 3, ink::gold);
    c.put(x - facing, ridge - 4, ink::goldDark);
    c.put(x, ridge - 4, ink::gold);
    c.put(x + facing, ridge - 1, ink::gold);
}

// The keep on its hill: a curved stone base, three white storeys stacked
// smaller and smaller, dark flared roofs with gables, and gold fish on top.
void paintCastle(Canvas& c) {
    constexpr int cx = 366;
    constexpr int baseTop = 78;
    // Stone base: the courses curve outward toward the foot.
    for (int y = baseTop; y <= roofRidge; ++y) {
        const int half = 31 + (y - baseTop) * (y - baseTop) / 44;
        for (int x = cx - half; x <= cx + half; ++x) {
            const bool course = (y - baseTop) % 3 == 2;
            const bool joint = (x + 3 * ((y - baseTop) / 3)) % 6 == 0;
            QRgb colour = (course || joint) ? ink::stone : ink::board;
            if (y == baseTop) colour = ink::beige;
            if (x == cx - half || x == cx + half) colour = ink::bark;
            c.put(x, y, colour);
        }
    }
    castleWall(c, cx, 62, 77, 29);
    castleWall(c, cx, 42, 52, 21);
    castleWall(c, cx, 24, 33, 13);
    castleRoof(c, cx, 53, 61, 22, 38);
    castleRoof(c, cx, 34, 41, 15, 30);
    castleRoof(c, cx, 15, 23, 7, 22);
    castleGable(c, cx, 47, 55);
    castleGable(c, cx - 14, 29, 36);
    castleGable(c, cx + 14, 29, 36);
    shachihoko(c, cx - 7, 15, -1);
    shachihoko(c, cx + 7, 15, 1);
}

// The pine's trunk and limbs, behind the wall: only what rises over the
// roof is drawn.
void paintTrunk(Canvas& c) {
    Mask trunk;
    for (int y = 38; y <= roofRidge; ++y) {
        const int rise = roofRidge - y;
        const double centre = 12 + rise * 0.62 + 3 * std::sin(rise / 9.0);
        const int half = std::max(2, 4 - rise / 20);
        for (int x = static_cast<int>(centre) - half; x <= static_cast<int>(centre) + half; ++x)
            trunk.set(x, y);
    }
    // Limbs out to the pads, thick enough to show bark inside the outline.
    const struct {
        int x0, y0, x1, y1;
    } limbs[] = {{28, 68, 12, 59}, {36, 52, 70, 55}, {68, 54, 98, 61}, {24, 82, 46, 86}};
    for (const auto& l : limbs) {
        const int steps = std::max(std::abs(l.x1 - l.x0), std::abs(l.y1 - l.y0));
        for (int i = 0; i <= steps; ++i) {
            const int x = l.x0 + (l.x1 - l.x0) * i / steps;
            const int y = l.y0 + (l.y1 - l.y0) * i / steps;
            for (int t = 0; t < 4; ++t) trunk.set(x, y + t);
        }
    }
    for (int y = 0; y <= roofRidge; ++y)
        for (int x = 0; x < 140; ++x) {
            if (!trunk.at(x, y)) continue;
            QRgb colour = ink::bark;
            if (trunk.edge(x, y))
                colour = ink::outline;
            else if (!trunk.at(x - 2, y))
                colour = ink::barkLight;
            else if ((x * 3 + y) % 7 == 0)
                colour = ink::bark;
            c.put(x, y, colour);
        }
}

// One cloud-pruned pad of needles: a scalloped top lit from above, a flatter
// shaded underside and the cast's outline round it.
void pinePad(Canvas& c, int cx, int cy, int rx, int ryTop, int ryBottom) {
    Mask pad;
    std::vector<int> top(static_cast<std::size_t>(sceneWidth), 0);
    std::vector<int> bottom(static_cast<std::size_t>(sceneWidth), -1);
    for (int x = cx - rx; x <= cx + rx; ++x) {
        if (x < 0 || x >= sceneWidth) continue;
        const double dx = static_cast<double>(x - cx) / rx;
        const double s = std::sqrt(std::max(0.0, 1 - dx * dx));
        const int scallop =
            static_cast<int>(std::lround(2 * std::abs(std::sin(x * 3.14159265 / 9))));
        const auto ux = static_cast<std::size_t>(x);
        top[ux] = cy - static_cast<int>(std::lround(ryTop * s)) + scallop;
        bottom[ux] = cy + static_cast<int>(std::lround(ryBottom * s));
        for (int y = top[ux]; y <= bottom[ux]; ++y) pad.set(x, y);
    }
    for (int x = std::max(0, cx - rx); x <= std::min(sceneWidth - 1, cx + rx); ++x) {
        const auto ux = static_cast<std::size_t>(x);
        for (int y = top[ux]; y <= bottom[ux]; ++y) {
            const int fromTop = y - top[ux];
            const int fromBottom = bottom[ux] - y;
            QRgb colour = ink::needle;
            if (pad.edge(x, y))
                colour = ink::pineInk;
            else if (fromBottom == 1)
                colour = ink::needleDark;
            else if (fromBottom == 2)
                colour = ditherOn(x, y, 2) ? ink::needleDark : ink::needle;
            else if (fromTop <= 2)
                colour = ink::needleLight;
            else if (fromTop == 3)
                colour = ditherOn(x, y, 2) ? ink::needleLight : ink::needle;
            else if ((x * 3 + y * 5) % 11 == 0)
                colour = ink::needleLight;
            c.put(x, y, colour);
        }
    }
}

// The garden pine leaning over the wall. Its big lower pad hangs over the
// coping exactly where the hidden character crouches (40..72, 72..104),
// in the very greens of the samurai's leafy cloth.
void paintPads(Canvas& c) {
    pinePad(c, 62, 36, 24, 7, 4);
    pinePad(c, 14, 58, 16, 6, 4);
    pinePad(c, 108, 62, 15, 5, 4);
    pinePad(c, 56, 86, 42, 15, 22);
    // Two front pads either side of the hiding place: the pine is built of
    // overlapping pads, so the characters' own foliage reads as one more.
    pinePad(c, 24, 96, 14, 5, 4);
    pinePad(c, 86, 94, 12, 5, 4);
}

// The wall's coping roof: dark ridge, rows of round tiles, an eave of tile
// ends, each band parted by the outline colour.
void paintRoof(Canvas& c) {
    c.fill(0, roofRidge, sceneWidth - 1, roofRidge, ink::roofInk);
    c.fill(0, roofRidge + 1, sceneWidth - 1, roofRidge + 2, ink::slateLight);
    c.fill(0, roofRidge + 3, sceneWidth - 1, roofRidge + 3, ink::slate);
    c.fill(0, roofRidge + 4, sceneWidth - 1, roofRidge + 4, ink::roofInk);
    static constexpr QRgb tileColumn[6] = {ink::roofInk,    ink::slateLight, ink::mist,
                                           ink::slateLight, ink::slate,      ink::slate};
    for (int y = roofRidge + 5; y <= eaveBottom - 4; ++y)
        for (int x = 0; x < sceneWidth; ++x) c.put(x, y, tileColumn[x % 6]);
    c.fill(0, eaveBottom - 3, sceneWidth - 1, eaveBottom - 3, ink::roofInk);
    static constexpr QRgb tileEnd[2][6] = {
        {ink::roofInk, ink::slate, ink::slateLight, ink::slateLight, ink::slate, ink::roofInk},
        {ink::roofInk, ink::roofInk, ink::slate, ink::slate, ink::roofInk, ink::roofInk}};
    for (int x = 0; x < sceneWidth; ++x) {
        c.put(x, eaveBottom - 2, tileEnd[0][x % 6]);
        c.put(x, eaveBottom - 1, tileEnd[1][x % 6]);
    }
}

// White plaster between light wooden posts. The posts stand between the
// targets' columns and are kept in middle tones, so that the black speech
// line of the hidden character still reads where it crosses one.
void paintWall(Canvas& c) {
    c.fill(0, eaveBottom, sceneWidth - 1, plinthTop - 1, ink::paper);
    c.dither(0, eaveBottom, sceneWidth - 1, eaveBottom, ink::cream, ink::beige, 2);
    c.dither(0, eaveBottom + 1, sceneWidth - 1, eaveBottom + 1, ink::paper, ink::cream, 2);
    for (int y = eaveBottom + 3; y < plinthTop; ++y)
        for (int x = 0; x < sceneWidth; ++x)
            if ((x * 7 + y * 13) % 41 == 0) c.put(x, y, ink::cream);
    for (int x : {8, 126, 190, 254, 322, 392}) {
        c.fill(x, eaveBottom, x, plinthTop - 1, ink::board);
        c.fill(x + 1, eaveBottom, x + 3, plinthTop - 1, ink::barkLight);
        c.fill(x + 4, eaveBottom, x + 4, plinthTop - 1, ink::boardShade);
    }
}

// Weathered cedar boarding under the plaster. It is kept light: the targets
// sink across it, and their dark outline must stay plain against it.
void paintBoarding(Canvas& c) {
    c.fill(0, plinthTop, sceneWidth - 1, plinthTop, ink::boardShade);
    c.fill(0, plinthTop + 1, sceneWidth - 1, plinthTop + 1, ink::beige);
    c.fill(0, plinthTop + 2, sceneWidth - 1, plinthTop + 2, ink::board);
    c.fill(0, plinthTop + 3, sceneWidth - 1, plinthTop + 3, ink::boardShade);
    for (int y = plinthTop + 4; y < groundTop - 1; ++y)
        for (int x = 0; x < sceneWidth; ++x) {
            QRgb colour = ink::board;
            if (x % 8 == 0)
                colour = ink::boardShade;
            else if (x % 8 == 1)
                colour = ink::beige;
            else if ((x * 5 + y * 3) % 17 == 0)
                colour = ink::board;
            c.put(x, y, colour);
        }
    c.fill(0, groundTop - 1, sceneWidth - 1, groundTop - 1, ink::boardShade);
}

// Raked gravel in stepped waves, with the wall's shadow along its top and
// three stepping stones laid between the targets' columns.
void paintGround(Canvas& c) {
    c.fill(0, groundTop, sceneWidth - 1, sceneHeight - 1, ink::cream);
    c.dither(0, groundTop, sceneWidth - 1, groundTop, ink::cream, ink::board, 2);
    c.dither(0, groundTop + 1, sceneWidth - 1, groundTop + 1, ink::cream, ink::beige, 2);
    for (int line = groundTop + 6; line < sceneHeight - 1; line += 6)
        for (int x = 0; x < sceneWidth; ++x) {
            const int y =
                line + static_cast<int>(std::lround(1.4 * std::sin(x * 2 * 3.14159265 / 48)));
            c.put(x, y, ink::beige);
            c.put(x, y - 1, ink::paper);
        }
    const struct {
        int cx, cy, rx, ry;
    } stones[] = {{128, 216, 12, 4}, {192, 229, 11, 4}, {256, 214, 12, 4}};
    for (const auto& s : stones) {
        Mask m;
        for (int y = -s.ry; y <= s.ry; ++y)
            for (int x = -s.rx; x <= s.rx; ++x)
                if (x * x * s.ry * s.ry + y * y * s.rx * s.rx <= s.rx * s.rx * s.ry * s.ry)
                    m.set(s.cx + x, s.cy + y);
        for (int y = s.cy - s.ry; y <= s.cy + s.ry; ++y)
            for (int x = s.cx - s.rx; x <= s.cx + s.rx; ++x)
                if (m.at(x, y))
                    c.put(x, y,
                          m.edge(x, y) ? ink::slate : (y < s.cy ? ink::hazeLight : ink::grey));
    }
}

// A lit stone lantern at the right edge, clear of the last target's column
// and inside the 415 pixels of the scene that the window shows.
void paintLantern(Canvas& c) {
    c.box(389, 214, 411, 220, ink::grey, ink::roofInk);       // foot
    c.box(395, 184, 404, 215, ink::hazeLight, ink::roofInk);  // post
    c.fill(396, 185, 397, 214, ink::mistLight);
    c.box(389, 178, 410, 185, ink::grey, ink::roofInk);       // ledge
    c.box(391, 161, 408, 179, ink::hazeLight, ink::roofInk);  // fire box
    c.box(395, 165, 404, 175, ink::lamp, ink::bark);          // lit window
    c.fill(397, 167, 402, 173, ink::lampLight);
    for (int y = 150; y <= 162; ++y) {  // cap
        const int half = y - 148;
        for (int x = 399 - half; x <= 399 + half; ++x)
            c.put(x, y,
                  (x == 399 - half || x == 399 + half || y == 162)
                      ? ink::roofInk
                      : (x < 399 ? ink::hazeLight : ink::grey));
    }
    c.box(397, 146, 401, 150, ink::hazeLight, ink::roofInk);  // jewel
}

QImage paintScene() {
    Canvas c;
    paintSky(c);
    paintHills(c);
    paintCastle(c);
    paintTrunk(c);
    paintRoof(c);
    paintWall(c);
    paintBoarding(c);
    paintGround(c);
    paintLantern(c);
    paintPads(c);
    return c.image();
}

// Every pixel to the nearest colour of the palette (distance weighted as
// the eye weighs red, green and blue), so painting with a soft brush still
// leaves a picture in the shared palette.
QImage toPalette(QImage img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            QRgb best = 0;
            double bestDistance = 1e18;
            for (std::uint32_t p : palette::all) {
                const double mean = (qRed(c) + qRed(p)) / 2.0;
                const int dr = qRed(c) - qRed(p), dg = qGreen(c) - qGreen(p),
                          db = qBlue(c) - qBlue(p);
                const double d =
                    (2 + mean / 256) * dr * dr + 4 * dg * dg + (2 + (255 - mean) / 256) * db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = p;
                }
            }
            img.setPixel(x, y, best | 0xff000000u);
        }
    return img;
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
    for (qreal y : {12.5, 17.5, 24.5}) p.drawLine(QPointF(7, y), QPointF(25, y));
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
    return toPalette(img).convertToFormat(QImage::Format_RGB888);
}

bool save(const QImage& img, const QString& path) {
    if (img.save(path, "PNG")) return true;
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
    const bool ok =
        save(paintScene(), dir + "/scene.png") && save(paintSealCase(), dir + "/spare_26.png");
    return ok ? 0 : 1;
}
