#include <QRadioButton>
#include <QStyle>
#include <QTextLayout>

#include "Form2.h"
#include "GameFixture.h"
#include "Phrases.h"

namespace {

using LevelDialog = GameFixture;

// Checks that a wrapping label begins its lines only where `marked` has a
// "|" between phrases, and that all of them fit in its box.
void expectWholePhrases(const kit::AutoLabel* label, const QString& marked) {
    EXPECT_EQ(plainText(label->caption()), QString(marked).remove(u'|'));
    QList<qsizetype> starts{0};
    for (qsizetype i = 0; i < marked.size(); ++i)
        if (marked[i] == u'|') starts << i - starts.size() + 1;
    QTextLayout layout(label->caption(), label->font());
    layout.setTextOption(QTextOption(Qt::AlignLeft));
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid();
         line = layout.createLine(), ++lines) {
        line.setLineWidth(label->width());
        const qsizetype start = plainText(label->caption().left(line.textStart())).size();
        EXPECT_TRUE(starts.contains(start))
            << marked.toStdString() << ": line " << lines + 1 << " starts inside a word";
    }
    layout.endLayout();
    EXPECT_LE(lines * label->fontMetrics().lineSpacing(), label->height()) << marked.toStdString();
}

// The first row of dark ink inside a box of a picture.
int firstInkRow(const QImage& picture, const QRect& box) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(picture.pixel(x, y)) < 128) return y;
    return -1;
}

TEST_F(LevelDialog, OpensAsASmallToolWindowWithNormalSelected) {
    Form1& f = load();
    f.mnuLv_Click();
    ASSERT_TRUE(f.levelDialog);
    Form2& d = *f.levelDialog;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Set(Level)"));
    EXPECT_EQ(d.Option4->parentWidget()->size(), QSize(312, 213)) << "the client area";
    EXPECT_EQ(d.windowType(), Qt::Tool);
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(d.isModal());
    EXPECT_TRUE(d.Option2->isChecked());
    EXPECT_EQ(plainText(d.Label5->caption()), QStringLiteral("入門者にお勧め"));
    EXPECT_EQ(f.levelNumber, 2);
    EXPECT_EQ(d.Option4->geometry(), QRect(8, 16, 81, 33));
    const QStyle* style = d.Option4->style();
    const int needed = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                       d.Option4->fontMetrics().horizontalAdvance(d.Option4->text());
    EXPECT_LE(needed, d.Option4->width()) << "\"For Hi Spec\" fits its box";
    EXPECT_EQ(plainText(d.Label1->caption()), QStringLiteral("左からレベルを選んでＯＫを押す。"));
}

TEST_F(LevelDialog, JapaneseLinesBreakBetweenPhrasesAndStandLevelWithTheOptions) {
    Form1& f = load();
    f.mnuLv_Click();
    Form2& d = *f.levelDialog;
    expectWholePhrases(d.Label6, QStringLiteral("ハイスペックな|マシン用"));
    expectWholePhrases(d.Label1, QStringLiteral("左から|レベルを|選んで|ＯＫを|押す。"));
    const std::pair<QRadioButton*, QString> descriptions[] = {
        {d.Option1, QStringLiteral("オジさん、|乳児向け")},
        {d.Option2, QStringLiteral("入門者に|お勧め")},
        {d.Option3, QStringLiteral("物好きな|方へ。|初心者|お断り")},
        {d.Option4, QStringLiteral("１０ポイントも|行かない|マシンに")}};
    for (const auto& [option, marked] : descriptions) {
        click(option);
        expectWholePhrases(d.Label5, marked);
    }

    const QImage picture = d.grab().toImage();
    const int indicator = d.style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth);
    for (const auto& [option, label] : {std::pair{d.Option4, d.Label6},
                                        {d.Option1, d.Label2},
                                        {d.Option2, d.Label3},
                                        {d.Option3, d.Label4}})
        EXPECT_NEAR(firstInkRow(picture, label->geometry()),
                    firstInkRow(picture, option->geometry().adjusted(indicator + 2, 0, 0, 0)), 2)
            << option->text().toStdString() << " and its label";
}

TEST_F(LevelDialog, HardWithOkThenReopeningSetsTheBonusFactor) {
    Form1& f = load();
    f.mnuLv_Click();
    click(f.levelDialog->Option3);
    EXPECT_EQ(plainText(f.levelDialog->Label5->caption()),
              QStringLiteral("物好きな方へ。初心者お断り"));
    EXPECT_EQ(f.levelStep, 10) << "nothing is stored before OK";
    QTest::keyClick(f.levelDialog->Option3, Qt::Key_Return);
    EXPECT_EQ(f.levelStep, 10) << "Enter presses no default button";
    f.levelDialog->Command1->setFocus();
    QTest::keyClick(f.levelDialog->Command1, Qt::Key_Return);
    EXPECT_EQ(f.levelStep, 20) << "Enter presses OK while OK has the focus";
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
    const std::pair<QRadioButton * Form2::*, std::int16_t> levels[] = {
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
