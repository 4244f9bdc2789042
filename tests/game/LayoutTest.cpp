#include <QMenuBar>
#include <QPushButton>

#include "FormSurface.h"
#include "GameFixture.h"
#include "Pictures.h"

namespace {

using Layout = GameFixture;

TEST_F(Layout, TheWindowIsFixedWithItsClientAreaCaptionAndNoButtons) {
    Form1& f = load();
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

// Checked on the rendered client area, as the player sees it: the pack's
// pictures where the twips say, the stores never seen, the characters'
// other looks after a cut and back after Reset, and each label drawn at its
// place and nowhere else.
TEST_F(Layout, ThePlayAreaIsDrawnWhereTheTwipsSay) {
    Form1& f = load();
    const auto grab = [&f] {
        return f.clientArea()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    };
    QImage shown = grab();
    EXPECT_EQ(shown.size(), QSize(415, 356));
    const auto drawnAt = [&shown](const char* name, QPoint at) {
        const QImage p = pictures::load(name).convertToFormat(QImage::Format_ARGB32);
        int opaque = 0, same = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                if (qAlpha(p.pixel(x, y)) == 255) {
                    ++opaque;
                    same += shown.pixel(at + QPoint(x, y)) == p.pixel(x, y);
                }
        return opaque > 0 && same == opaque;
    };
    const struct {
        const char* picture;
        QPoint pixels;
        bool visible;
    } places[] = {
        {pictures::target, {80, 120}, true},      {pictures::target, {144, 120}, true},
        {pictures::target, {208, 120}, true},     {pictures::target, {272, 120}, true},
        {pictures::target, {344, 120}, true},     {pictures::bonus, {216, 64}, true},
        {pictures::hidden, {40, 72}, true},       {pictures::bonusCut, {280, 56}, false},
        {pictures::bonus, {320, 64}, false},      {pictures::hidden, {0, 16}, false},
        {pictures::hiddenFound, {80, 16}, false},
    };
    for (const auto& p : places)
        EXPECT_EQ(drawnAt(p.picture, p.pixels), p.visible) << p.pixels.x() << "," << p.pixels.y();
    EXPECT_EQ(shown.pixelColor(100, 152), QColor(0, 0, 255)) << "the guide line";
    EXPECT_EQ(shown.pixelColor(100, 192), QColor(255, 0, 0)) << "the limit line";
    // The message line is opaque; a score value lets the panel show through.
    EXPECT_EQ(shown.pixelColor(f.Label10->pos()), QColor(192, 192, 255));
    EXPECT_EQ(shown.pixelColor(f.Label5->pos()), shown.pixelColor(f.Label5->pos() - QPoint(2, 0)));

    const struct {
        kit::AutoLabel* label;
        QPoint pixels;
    } labels[] = {{f.Label4, {224, 272}}, {f.Label2, {320, 264}}, {f.Label3, {224, 320}},
                  {f.Label5, {320, 312}}, {f.Label6, {40, 272}},  {f.Label7, {96, 272}},
                  {f.Label8, {40, 304}},  {f.Label9, {96, 304}},  {f.Label10, {168, 40}}};
    for (const auto& l : labels) {
        l.label->setVisible(false);
        const QImage without = grab();
        l.label->setVisible(true);
        QRect drawn;
        bool red = false;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (shown.pixel(x, y) != without.pixel(x, y)) {
                    drawn |= QRect(x, y, 1, 1);
                    red = red || shown.pixelColor(x, y) == QColor(255, 0, 0);
                }
        EXPECT_TRUE(!drawn.isEmpty() && QRect(l.pixels, l.label->size()).contains(drawn))
            << l.label->caption().toStdString();
        EXPECT_EQ(red, l.label == f.Label2) << "only the score is red";
    }
    EXPECT_TRUE(f.Label2->font().families().contains(QStringLiteral("IPAPGothic")));

    f.mnustart_Click();
    const QRect level = f.Label7->geometry();
    f.score = 200;
    f.Image1_Click();
    EXPECT_EQ(f.Label7->caption(), QStringLiteral("Max!!!"));
    EXPECT_TRUE(f.Label7->pos() == level.topLeft() && f.Label7->width() > level.width())
        << "a value grows to the right only";
    f.Image6_Click();
    f.Image9_Click();
    EXPECT_TRUE(QTest::qWaitFor([&f] { return f.afterglow->remainingTime() < 0; }, 1000));
    shown = grab();
    EXPECT_TRUE(drawnAt(pictures::bonusCut, {216, 64}) && drawnAt(pictures::hiddenFound, {40, 72}));
    f.mnuRst_Click();
    shown = grab();
    EXPECT_TRUE(drawnAt(pictures::bonus, {216, 64}) && drawnAt(pictures::hidden, {40, 72}));
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
