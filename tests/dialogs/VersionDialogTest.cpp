#include <QPushButton>

#include "Form5.h"
#include "GameFixture.h"
#include "Pictures.h"

namespace {

using VersionDialog = GameFixture;

TEST_F(VersionDialog, ShowsTheIconNameAndVersionAndClosesWithItsButton) {
    Form1& f = load();
    f.mnustart_Click();
    f.mnuVer_Click();
    EXPECT_FALSE(f.Timer1->enabled()) << "Version resets the game first";
    ASSERT_TRUE(f.versionDialog);
    Form5& d = *f.versionDialog;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Version"));
    EXPECT_EQ(d.windowType(), Qt::Tool);
    const QStringList texts{d.Label1->caption(), d.Label2->caption(), d.Command1->text()};
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Zanrai"), QStringLiteral("Ver.2.1"),
                                  QStringLiteral("了解")}));

    // What the player sees: the icon drawn in its frame, every text whole
    // inside the client area, and the name and the version side by side
    // without running into each other.
    QWidget* client = d.Command1->parentWidget();
    const QImage shown = client->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage icon = pictures::load(pictures::icon).convertToFormat(QImage::Format_ARGB32);
    // The picture fills the frame, each of its pixels a block: the middle
    // of every block must hold that pixel.
    const QRect inside = d.Image1->geometry().adjusted(1, 1, -1, -1);
    int differing = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            const QPoint middle(inside.left() + (2 * x + 1) * inside.width() / (2 * icon.width()),
                                inside.top() + (2 * y + 1) * inside.height() / (2 * icon.height()));
            if (qAlpha(icon.pixel(x, y)) == 255)
                differing += shown.pixel(middle) != icon.pixel(x, y);
        }
    EXPECT_EQ(differing, 0) << "the icon fills its frame";
    for (kit::AutoLabel* label : {d.Label1, d.Label2, d.Label3, d.Label4}) {
        EXPECT_TRUE(client->rect().contains(label->geometry())) << label->caption().toStdString();
        EXPECT_FALSE(label->geometry().intersects(d.Image1->geometry()))
            << label->caption().toStdString();
    }
    EXPECT_LT(d.Label1->geometry().right(), d.Label2->x()) << "name and version side by side";
    EXPECT_EQ(d.Label1->y(), d.Label2->y());

    f.mnuVer_Click();
    EXPECT_EQ(f.versionDialog.data(), &d) << "only one version dialog exists";

    click(d.Command1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f.versionDialog);
    EXPECT_FALSE(f.mnuHelp->isEnabled());
}

}  // namespace
