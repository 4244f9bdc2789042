#include <QMenuBar>
#include <QPushButton>

#include "FormSurface.h"
#include "GameFixture.h"
#include "Pictures.h"

namespace {

using Layout = GameFixture;

TEST_F(Layout, TheWindowIsFixedWithItsClientAreaCaptionAndNoButtons) {
    Form1& f = load();
    EXPECT_EQ(f.clientArea()->size(), QSize(415, 356));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Zanrai"));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    const Qt::WindowFlags flags = f.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_GT(f.windowIcon().pixmap(32, 32).toImage().pixelColor(16, 16).alpha(), 0) << "the icon";
    EXPECT_EQ(f.cursor().hotSpot(), QPoint(pictures::cursorHotX, pictures::cursorHotY));
    EXPECT_TRUE(f.cursor().pixmap().hasAlphaChannel()) << "the blade, not a square";
    // Idle: no game timer runs; the hidden buttons stay plumbing.
    for (auto* timer : {f.Timer1, f.Timer2, f.Timer3, f.Timer4, f.Timer5, f.Timer6})
        EXPECT_FALSE(timer->enabled());
    for (QPushButton* button : {f.Command1, f.Command4, f.Command8})
        EXPECT_FALSE(button->isVisible());
}

// Checked on the rendered client area, as the player sees it: a picture
// drawn anywhere but at its place, or a store that shows, fails here.
TEST_F(Layout, ThePlayAreaIsDrawnWhereTheTwipsSay) {
    Form1& f = load();
    const QImage shown = f.clientArea()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const auto drawnAt = [&shown](const QImage& picture, QPoint at) {
        const QImage p = picture.convertToFormat(QImage::Format_ARGB32);
        int opaque = 0, same = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                if (qAlpha(p.pixel(x, y)) == 255) {
                    ++opaque;
                    same += shown.pixel(at + QPoint(x, y)) == p.pixel(x, y);
                }
        return opaque > 0 && same == opaque;
    };
    struct Place {
        kit::ImageControl* image;
        QPoint pixels;
        bool visible;
    };
    const Place places[] = {
        {f.Image5, {80, 120}, true},  {f.Image4, {144, 120}, true}, {f.Image1, {208, 120}, true},
        {f.Image2, {272, 120}, true}, {f.Image3, {344, 120}, true}, {f.Image6, {216, 64}, true},
        {f.Image9, {40, 72}, true},   {f.Image7, {280, 56}, false}, {f.Image8, {320, 64}, false},
        {f.Image10, {0, 16}, false},  {f.Image11, {80, 16}, false},
    };
    for (const Place& p : places)
        EXPECT_EQ(drawnAt(p.image->picture(), p.pixels), p.visible)
            << p.pixels.x() << "," << p.pixels.y();
    // The stores lie below the client area and are never seen.
    for (kit::ImageControl* store : {f.Image12, f.Image16, f.Image20, f.Image26})
        EXPECT_GE(store->top(), 6000.0F);
    EXPECT_EQ(shown.pixelColor(100, 152), QColor(0, 0, 255)) << "the guide line";
    EXPECT_EQ(shown.pixelColor(100, 192), QColor(255, 0, 0)) << "the limit line";
}

TEST_F(Layout, ImagesShareTheirPicturesAsCreated) {
    Form1& f = load();
    const QImage target = f.Image1->picture();
    ASSERT_FALSE(target.isNull());
    for (auto* image : {f.Image2, f.Image3, f.Image4, f.Image5, f.Image12})
        EXPECT_EQ(image->picture(), target);
    EXPECT_EQ(f.Image8->picture(), f.Image6->picture());
    EXPECT_EQ(f.Image24->picture(), f.Image6->picture());
    EXPECT_EQ(f.Image25->picture(), f.Image7->picture());
    EXPECT_EQ(f.Image10->picture(), f.Image9->picture());
    EXPECT_EQ(f.Image23->picture(), f.Image9->picture());
    EXPECT_EQ(f.Image22->picture(), f.Image11->picture());
    EXPECT_NE(f.Image7->picture(), f.Image6->picture());
    EXPECT_NE(f.Image11->picture(), f.Image9->picture());
    // Four different special-mode targets.
    QList<QImage> special{f.Image13->picture(), f.Image14->picture(), f.Image15->picture(),
                          f.Image18->picture()};
    for (int i = 0; i < special.size(); ++i)
        for (int j = i + 1; j < special.size(); ++j) EXPECT_NE(special[i], special[j]);
}

TEST_F(Layout, LabelsHaveTheirCaptionsPlacesAndLooks) {
    Form1& f = load();
    struct Caption {
        kit::AutoLabel* label;
        const char* text;
        QPoint pixels;
        bool visible;
    };
    const Caption captions[] = {
        {f.Label4, "Score", {224, 272}, true},
        {f.Label2, "0", {320, 264}, true},
        {f.Label3, "High Score", {224, 320}, true},
        {f.Label5, "0", {320, 312}, true},
        {f.Label6, "Level", {40, 272}, true},
        {f.Label7, "1", {96, 272}, true},
        {f.Label8, "Life", {40, 304}, true},
        {f.Label9, "3", {96, 304}, true},
        {f.Label10, "レッツプレイ", {168, 40}, true},
        {f.Label11, "拙者に気づくとは・・・", {0, 112}, false},
        {f.Label1, "Label1", {288, 352}, false},
    };
    for (const Caption& c : captions) {
        EXPECT_EQ(c.label->caption(), QString::fromUtf8(c.text));
        EXPECT_EQ(c.label->pos(), c.pixels) << c.text;
        EXPECT_EQ(c.label->isVisible(), c.visible) << c.text;
    }
    EXPECT_EQ(f.Label2->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(f.Label10->palette().color(QPalette::Window), QColor(192, 192, 255));
    // The message line is opaque; a score value lets the panel show through.
    const QImage shown = f.clientArea()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(f.Label10->pos()), QColor(192, 192, 255));
    EXPECT_EQ(shown.pixelColor(f.Label5->pos()), shown.pixelColor(f.Label5->pos() - QPoint(2, 0)));
    EXPECT_EQ(f.Label2->font().families().first(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_TRUE(f.Label2->font().families().contains(QStringLiteral("IPAPGothic")));
    EXPECT_DOUBLE_EQ(f.Label2->font().pointSizeF(), 14.25);
    EXPECT_DOUBLE_EQ(f.Label4->font().pointSizeF(), 9.0);
    EXPECT_EQ(f.Label1->size(), QSize(81, 33));
}

TEST_F(Layout, TheMenuTreeHasItsCaptionsAndStates) {
    Form1& f = load();
    auto captions = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(captions(f.mnuFile), (QStringList{"Reset", "Start", "-", "Ranking", "-", "Exit"}));
    EXPECT_EQ(captions(f.mnuSet), (QStringList{"TitleBar", "Line On/Off", "-", "GameLevel", "-",
                                               "水戸黄門を敵に回してみる", "元に戻す"}));
    EXPECT_EQ(captions(f.mnuHedlp), (QStringList{"Help", "-", "Version"}));
    EXPECT_EQ(f.menuBar()->actions().size(), 3);
    EXPECT_FALSE(f.mnurank->isEnabled());
    EXPECT_FALSE(f.mnuHelp->isEnabled());
    for (QAction* hidden : {f.mnuBlank2, f.mnuUra, f.mnuRet}) EXPECT_FALSE(hidden->isVisible());
    for (QAction* shortcutless : f.mnuFile->actions())
        EXPECT_TRUE(shortcutless->shortcut().isEmpty());
}

}  // namespace
