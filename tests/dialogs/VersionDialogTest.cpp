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
    EXPECT_EQ(d.Command1->parentWidget()->size(), QSize(312, 236)) << "the client area";
    EXPECT_EQ(d.windowType(), Qt::Tool);
    EXPECT_EQ(d.Label1->caption(), QStringLiteral("Zanrai"));
    EXPECT_EQ(d.Label2->caption(), QStringLiteral("Ver.2.1"));
    EXPECT_FALSE(d.Label3->caption().isEmpty());
    EXPECT_FALSE(d.Label4->caption().isEmpty());
    EXPECT_EQ(d.Command1->text(), QStringLiteral("了解"));
    EXPECT_EQ(d.Image1->geometry(), QRect(24, 16, 97, 89));
    EXPECT_EQ(d.Image1->picture(), pictures::load(pictures::icon));
    EXPECT_LT(d.Label1->geometry().right(), d.Label2->x()) << "name and version side by side";
    EXPECT_EQ(d.Label1->y(), d.Label2->y());
    EXPECT_TRUE(d.Label1->font().bold());
    EXPECT_DOUBLE_EQ(d.Label1->font().pointSizeF(), 15.75);

    f.mnuVer_Click();
    EXPECT_EQ(f.versionDialog.data(), &d) << "only one version dialog exists";

    click(d.Command1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f.versionDialog);
    EXPECT_FALSE(f.mnuHelp->isEnabled());
}

}  // namespace
