#include <QRadioButton>
#include <QStyle>

#include "Form2.h"
#include "GameFixture.h"

namespace {

using LevelDialog = GameFixture;

TEST_F(LevelDialog, OpensAsASmallToolWindowWithNormalSelected) {
    Form1& f = load();
    f.mnuLv_Click();
    ASSERT_TRUE(f.levelDialog);
    Form2& d = *f.levelDialog;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Set(Level)"));
    EXPECT_EQ(d.size(), QSize(312, 213));
    EXPECT_EQ(d.windowType(), Qt::Tool);
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(d.isModal());
    EXPECT_TRUE(d.Option2->isChecked());
    EXPECT_EQ(d.Label5->caption(), QStringLiteral("入門者にお勧め"));
    EXPECT_EQ(f.levelNumber, 2);
    EXPECT_EQ(d.Option4->geometry(), QRect(8, 16, 81, 33));
    const QStyle* style = d.Option4->style();
    const int needed = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                       d.Option4->fontMetrics().horizontalAdvance(d.Option4->text());
    EXPECT_LE(needed, d.Option4->width()) << "\"For Hi Spec\" fits its box";
    EXPECT_EQ(d.Label1->caption(), QStringLiteral("左からレベルを選んでＯＫを押す。"));
}

TEST_F(LevelDialog, HardWithOkThenReopeningSetsTheBonusFactor) {
    Form1& f = load();
    f.mnuLv_Click();
    click(f.levelDialog->Option3);
    EXPECT_EQ(f.levelDialog->Label5->caption(), QStringLiteral("物好きな方へ。初心者お断り"));
    EXPECT_EQ(f.levelStep, 10) << "nothing is stored before OK";
    click(f.levelDialog->Command1);
    EXPECT_EQ(f.levelStep, 20);
    EXPECT_EQ(f.levelNumber, 2) << "the factor follows the level when the dialog opened";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f.levelDialog) << "OK discards the dialog";

    f.mnuLv_Click();
    EXPECT_TRUE(f.levelDialog->Option3->isChecked());
    EXPECT_EQ(f.levelNumber, 3);
    click(f.levelDialog->Command1);
    f.mnustart_Click();
    EXPECT_EQ(f.moveStep, 20);
}

TEST_F(LevelDialog, EveryOptionStoresItsStep) {
    Form1& f = load();
    const std::pair<QRadioButton* Form2::*, std::int16_t> levels[] = {
        {&Form2::Option4, 1}, {&Form2::Option1, 5}, {&Form2::Option2, 10}, {&Form2::Option3, 20}};
    for (const auto& [option, step] : levels) {
        f.mnuLv_Click();
        click((*f.levelDialog).*option);
        click(f.levelDialog->Command1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(f.levelStep, step);
    }
    f.mnuLv_Click();
    EXPECT_TRUE(f.levelDialog->Option3->isChecked());
    click(f.levelDialog->Command1);
    EXPECT_EQ(f.levelStep, 20) << "OK without a change stores the current step";
}

TEST_F(LevelDialog, GameLevelDuringAGameResetsItAndKeepsOneDialog) {
    Form1& f = load();
    f.mnustart_Click();
    click(f.Image1);
    f.mnuLv_Click();
    EXPECT_EQ(f.score, 0);
    EXPECT_FALSE(f.Timer1->enabled());
    Form2* first = f.levelDialog;
    click(first->Option1);

    f.mnustart_Click();
    f.mnuLv_Click();
    EXPECT_EQ(f.levelDialog, first) << "only one level dialog exists";
    EXPECT_TRUE(first->Option1->isChecked()) << "it keeps its current selection";
    EXPECT_FALSE(f.Timer1->enabled());
}

}  // namespace
