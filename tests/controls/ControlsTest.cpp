#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "AutoLabel.h"
#include "FormSurface.h"
#include "ImageControl.h"
#include "LineControl.h"
#include "WindowTimer.h"

namespace {

// A 32 x 32 picture of four coloured quadrants: any smoothing when it is
// drawn at a device pixel ratio of 2 shows up as a blended colour.
QImage quadrants() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QPainter p(&image);
    p.fillRect(16, 0, 16, 16, Qt::blue);
    p.fillRect(0, 16, 16, 16, Qt::green);
    p.fillRect(16, 16, 16, 16, Qt::black);
    return image;
}

// A press on the form where a player would aim.
void pressAt(kit::FormSurface& form, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(&form, button, {}, at);
    QTest::mouseRelease(&form, button, {}, at);
}

struct ImageFixture : ::testing::Test {
    kit::FormSurface form{nullptr, 6225, 5340, Qt::white, QImage()};
    kit::ImageControl* image = new kit::ImageControl(&form, 1200, 1800.0F);
    QSignalSpy clicks{image, &kit::ImageControl::clicked};
    const QPoint centre = image->geometry().center();

    ImageFixture() { form.show(); }
};

TEST_F(ImageFixture, PlacesItselfAtTwipsOverFifteen) {
    EXPECT_EQ(image->geometry(), QRect(80, 120, 32, 32));
    image->setTop(1807.4F);  // 120.49 pixels
    EXPECT_EQ(image->y(), 120);
    image->setTop(1807.6F);  // 120.51 pixels
    EXPECT_EQ(image->y(), 121);
    EXPECT_FLOAT_EQ(image->top(), 1807.6F);
}

TEST_F(ImageFixture, OnlyAVisibleEnabledImageRaisesAClick) {
    pressAt(form, centre);
    EXPECT_EQ(clicks.count(), 1);

    pressAt(form, centre, Qt::RightButton);
    pressAt(form, QPoint(image->geometry().right() + 1, centre.y()));  // just beside it
    EXPECT_EQ(clicks.count(), 1);

    image->setEnabled(false);
    pressAt(form, centre);
    EXPECT_EQ(clicks.count(), 1);

    image->setEnabled(true);
    image->setVisible(false);
    pressAt(form, centre);
    EXPECT_EQ(clicks.count(), 1);
}

// A press goes to the topmost image that takes it: a hidden or disabled one
// above, or a label, lets it through to the one beneath.
TEST_F(ImageFixture, APressReachesTheTopmostVisibleEnabledImage) {
    auto* above = new kit::ImageControl(&form, 1200, 1800.0F);
    QSignalSpy aboveClicks(above, &kit::ImageControl::clicked);
    pressAt(form, centre);
    EXPECT_EQ(aboveClicks.count(), 1);
    EXPECT_EQ(clicks.count(), 0);

    above->setEnabled(false);
    pressAt(form, centre);
    above->setEnabled(true);
    above->setVisible(false);
    pressAt(form, centre);
    EXPECT_EQ(clicks.count(), 2);

    above->setVisible(true);
    image->raise();
    new kit::AutoLabel(&form, QStringLiteral("over it"), 1200, 1800,
                       {QFont(), Qt::black, Qt::white});
    pressAt(form, centre);
    EXPECT_EQ(clicks.count(), 3);
    EXPECT_EQ(aboveClicks.count(), 1);
}

// What the surface repaints when one image moves: where it was and where it
// is, not the whole scene.
TEST_F(ImageFixture, AMoveRepaintsOnlyWhereTheImageWasAndIs) {
    struct PaintedRegion : QObject {
        QRegion region;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                region += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } painted;
    QCoreApplication::processEvents();
    form.installEventFilter(&painted);
    const QRect before = image->geometry();
    image->setTop(1830.0F);
    QCoreApplication::processEvents();
    EXPECT_EQ(painted.region, QRegion(before) + QRegion(image->geometry()));
}

TEST_F(ImageFixture, APictureTakenFromAnotherImageIsACopy) {
    auto* store = new kit::ImageControl(&form, 0, 6000.0F);
    store->setPicture(quadrants());
    image->setPicture(store->picture());

    QImage changed = store->picture();
    changed.fill(Qt::white);
    store->setPicture(changed);

    EXPECT_EQ(image->picture(), quadrants());
    EXPECT_NE(image->picture(), store->picture());
}

TEST_F(ImageFixture, PixelArtStaysCrispAtDevicePixelRatioTwo) {
    image->setPicture(quadrants());
    QImage canvas(64, 64, QImage::Format_ARGB32);
    canvas.setDevicePixelRatio(2.0);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        form.render(&painter, QPoint(), QRegion(image->geometry()));
    }
    // Every device pixel is exactly one of the four colours of the picture.
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const QColor expected = quadrants().pixelColor(x / 2, y / 2);
            ASSERT_EQ(canvas.pixelColor(x, y), expected) << x << "," << y;
        }
}

TEST(AutoLabel, KeepsItsLeftAndWidensToTheRight) {
    QWidget dialog;
    kit::AutoLabel label(kit::FormSurface::overlay(&dialog), QStringLiteral("0"), 4800, 3960,
                         {QFont(), Qt::red, std::nullopt});
    const QRect before = label.geometry();
    EXPECT_EQ(before.topLeft(), QPoint(320, 264));

    label.setCaption(QStringLiteral("12345"));
    EXPECT_EQ(label.x(), before.x());
    EXPECT_EQ(label.y(), before.y());
    EXPECT_GT(label.width(), before.width());

    label.setCaption(QStringLiteral("Max!!!"));
    EXPECT_EQ(label.x(), before.x());
    EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(QStringLiteral("Max!!!")));
}

TEST(AutoLabel, AFixedLabelKeepsItsBox) {
    QWidget dialog;
    kit::AutoLabel label(kit::FormSurface::overlay(&dialog), QString(), 3120, 1080, 1215, 495,
                         {QFont(), Qt::black, Qt::white});
    label.setCaption(QStringLiteral("a much longer description than the box is wide"));
    EXPECT_EQ(label.geometry(), QRect(208, 72, 81, 33));
}

QColor renderedAt(QWidget& form, QPoint at) { return form.grab().toImage().pixelColor(at); }

TEST(LineControl, IsDrawnInItsColourAndNotWhenHidden) {
    kit::FormSurface form(nullptr, 6225, 5340, Qt::white, QImage());
    kit::LineControl line(&form, 0, 2880, 6240, 2880, QColor(255, 0, 0));

    EXPECT_EQ(renderedAt(form, QPoint(200, 192)), QColor(255, 0, 0));
    EXPECT_EQ(renderedAt(form, QPoint(200, 190)), QColor(Qt::white));

    line.setVisible(false);
    EXPECT_EQ(renderedAt(form, QPoint(200, 192)), QColor(Qt::white));
}

// The one test that watches the clock: it checks only lower bounds, which a
// busy machine cannot break.
TEST(WindowTimer, TicksNoFasterThanEveryTenMilliseconds) {
    kit::WindowTimer timer(nullptr, 1, false);
    EXPECT_EQ(timer.interval(), 10) << "the 1 ms a game timer asks for";
    QSignalSpy ticks(&timer, &kit::WindowTimer::Timer);
    QElapsedTimer clock;
    clock.start();
    timer.setEnabled(true);
    while (ticks.count() < 10) ASSERT_TRUE(ticks.wait(1000));
    EXPECT_GE(clock.elapsed(), 10 * 10 - 1);
}

TEST(WindowTimer, SwitchingOnRestartsTheInterval) {
    kit::WindowTimer timer(nullptr, 200, true);
    QSignalSpy ticks(&timer, &kit::WindowTimer::Timer);
    QTest::qWait(100);
    ASSERT_EQ(ticks.count(), 0);
    QElapsedTimer clock;
    clock.start();
    timer.setEnabled(true);
    ASSERT_TRUE(ticks.wait(1000));
    EXPECT_GE(clock.elapsed(), 199);

    timer.setEnabled(false);
    EXPECT_FALSE(ticks.wait(300));
}

}  // namespace
