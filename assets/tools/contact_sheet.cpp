// Renders every picture of the game onto one sheet for review: each sprite at
// 1x and magnified 4x without smoothing, on a checkerboard so transparency
// shows, labelled with the controls that hold it; then the scene at 1x with
// the characters, message box and lines placed where the game puts them.
// Usage: zanrai_contact_sheet <output.png>   (QT_QPA_PLATFORM=offscreen)

#include "PictureCatalogue.h"
#include "Pictures.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <array>
#include <cstdio>

namespace {

constexpr int zoom = 4;
constexpr int cellW = 190;
constexpr int cellH = 212;
constexpr int columns = 6;
constexpr int margin = 16;

QFont labelFont(int pixelSize, bool bold = false) {
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void checkerboard(QPainter& p, const QRect& r, int square) {
    for (int y = r.top(); y <= r.bottom(); y += square)
        for (int x = r.left(); x <= r.right(); x += square) {
            const bool dark = ((x - r.left()) / square + (y - r.top()) / square) % 2 != 0;
            p.fillRect(QRect(x, y, square, square).intersected(r),
                       dark ? QColor(0xcc, 0xcc, 0xcc) : QColor(0xf4, 0xf4, 0xf4));
        }
}

void drawCell(QPainter& p, const pictures::Entry& e, QPoint at) {
    const QImage img(QString::fromLatin1(e.path));
    const QRect big(at.x() + 8, at.y() + 8, 32 * zoom, 32 * zoom);
    checkerboard(p, big, 8);
    p.drawImage(big, img);  // no smooth-pixmap hint: nearest neighbour
    if (e.kind == pictures::Kind::Cursor) {
        // Mark the hot spot so it can be checked against the blade tip.
        const QPoint hot(big.left() + pictures::cursorHotX * zoom + zoom / 2,
                         big.top() + pictures::cursorHotY * zoom + zoom / 2);
        p.setPen(QPen(QColor(0xe0, 0x10, 0x60), 1));
        p.drawLine(hot - QPoint(6, 0), hot + QPoint(6, 0));
        p.drawLine(hot - QPoint(0, 6), hot + QPoint(0, 6));
    }
    // 1x beside it on white and on a mid grey, as the game shows it.
    p.fillRect(QRect(big.right() + 8, big.top(), 40, 40), Qt::white);
    p.drawImage(QPoint(big.right() + 12, big.top() + 4), img);
    p.fillRect(QRect(big.right() + 8, big.top() + 44, 40, 40), QColor(0x88, 0x80, 0x78));
    p.drawImage(QPoint(big.right() + 12, big.top() + 48), img);

    p.setPen(Qt::black);
    p.setFont(labelFont(14, true));
    p.drawText(QPoint(at.x() + 8, big.bottom() + 20), QString::fromLatin1(e.name));
    p.setFont(labelFont(12));
    p.drawText(
        QRect(at.x() + 8, big.bottom() + 26, cellW - 12, 40), Qt::TextWordWrap,
        QString::fromUtf8("— %1").arg(QString::fromUtf8(e.shownBy)) +
            (*e.specialBy ? QString::fromUtf8("\nspecial → %1").arg(QString::fromUtf8(e.specialBy))
                          : QString()));
    if (img.isNull()) {
        p.setPen(Qt::red);
        p.drawText(big, Qt::AlignCenter, QStringLiteral("MISSING"));
    }
}

struct Cast {
    const char* targets[5];
    const char* bonus;
    const char* hidden;
    const char* message;
    const char* speech;  // the hidden character's line once found, on the scene at (0, 112)
    int tops[5];         // the targets' tops: at rest, or sunk to different depths
    const char* title;
};

// The scene as the player sees it, with the score panel's white below.
QImage composite(const Cast& cast) {
    QImage out(417, 250 + 40, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, QImage(QString::fromLatin1(pictures::scene)));
    p.setPen(QPen(QColor(0, 0, 255), 1));
    p.drawLine(0, 152, 417, 152);
    p.setPen(QPen(QColor(255, 0, 0), 1));
    p.drawLine(0, 192, 417, 192);
    const int xs[5] = {80, 144, 208, 272, 344};
    for (int i = 0; i < 5; ++i)
        p.drawImage(xs[i], cast.tops[i], QImage(QString::fromLatin1(cast.targets[i])));
    p.drawImage(216, 64, QImage(QString::fromLatin1(cast.bonus)));
    p.drawImage(40, 72, QImage(QString::fromLatin1(cast.hidden)));
    if (cast.message) {
        const QRect box(168, 40, 170, 20);
        p.fillRect(box, QColor(0xc8, 0xe8, 0xff));
        p.setPen(QColor(0x30, 0x50, 0x90));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        p.setFont(labelFont(12));
        p.drawText(box, Qt::AlignCenter, QString::fromUtf8(cast.message));
    }
    if (cast.speech) {
        p.setPen(Qt::black);
        p.setFont(labelFont(19));
        p.drawText(QRect(0, 112, 417, 19), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(cast.speech));
    }
    p.drawImage(300, 168, QImage(QString::fromLatin1(pictures::cursor)));
    p.setPen(Qt::black);
    p.setFont(labelFont(13));
    p.drawText(QRect(8, 254, 400, 32), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8(cast.title));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }

    const auto all = pictures::catalogue();
    int sprites = 0;
    for (const auto& e : all) sprites += e.kind != pictures::Kind::Scene;
    const int rows = (sprites + columns - 1) / columns;

    using namespace pictures;
    const std::array<Cast, 4> casts{{
        {{target, target, target, target, target},
         bonus,
         hidden,
         nullptr,
         nullptr,
         {120, 120, 120, 120, 120},
         "通常: target, bonus, hidden"},
        {{target, target, target, target, target},
         bonusCut,
         hiddenFound,
         "うっ!(よく気づいたな…)",
         "拙者に気づくとは・・・",
         {132, 150, 166, 184, 200},
         "通常: bonus_cut, hidden_found; sinking"},
        {{uraTarget3, uraTarget4, uraTarget1, uraTarget2, uraTarget3},
         uraBonus,
         uraHidden,
         nullptr,
         nullptr,
         {120, 120, 120, 120, 120},
         "裏: ura_target_3, 4, 1, 2, 3, ura_bonus, ura_hidden"},
        {{uraTarget3, uraTarget4, uraTarget1, uraTarget2, uraTarget3},
         uraBonusCut,
         uraHiddenFound,
         "後に斬るほど高得点",
         "何もしてないのに・・・酷い",
         {200, 184, 166, 150, 132},
         "裏: ura_bonus_cut, ura_hidden_found; sinking"},
    }};

    const int sheetW = 2 * margin + columns * cellW;
    const int sceneTop = margin + 30 + rows * cellH + 20;
    const int sheetH = sceneTop + 2 * (290 + 16) + margin;
    QImage sheet(sheetW, sheetH, QImage::Format_RGB32);
    sheet.fill(QColor(0xfa, 0xf8, 0xf2));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(labelFont(18, true));
    p.drawText(QPoint(margin, margin + 18),
               QString::fromUtf8("Zanrai — pictures (×4 nearest, ×1 on white and grey)"));

    int i = 0;
    for (const auto& e : all) {
        if (e.kind == Kind::Scene) continue;
        drawCell(p, e, QPoint(margin + (i % columns) * cellW, margin + 30 + (i / columns) * cellH));
        ++i;
    }
    for (int c = 0; c < 4; ++c)
        p.drawImage(QPoint(margin + (c % 2) * (417 + 24), sceneTop + (c / 2) * (290 + 16)),
                    composite(casts[static_cast<std::size_t>(c)]));
    p.end();

    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s\n", argv[1]);
    return 0;
}
