#include "Form2.h"

#include <QPushButton>
#include <QRadioButton>

#include "Fonts.h"
#include "GameState.h"
#include "ToolWindow.h"
#include "Twips.h"

namespace {

QRadioButton* option(QWidget* parent, const char* name, const QString& caption, int top) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(kit::toPixels(120), kit::toPixels(top), kit::toPixels(1215),
                        kit::toPixels(495));
    return button;
}

}  // namespace

Form2::Form2(GameState& state, QWidget* owner) : QWidget(owner), state_(state) {
    setObjectName(QStringLiteral("Form2"));
    makeToolWindow(this, QStringLiteral("Set(Level)"), 4680, 3195);
    // The user-interface face of a Japanese desktop: narrow enough that
    // "For Hi Spec" fits its option box.
    setFont(gothicFont(8.25));

    // All four share this window as parent, so they form one group.
    Option4 = option(this, "Option4", QStringLiteral("For Hi Spec"), 240);
    Option1 = option(this, "Option1", QStringLiteral("Easy"), 960);
    Option2 = option(this, "Option2", QStringLiteral("Normal"), 1680);
    Option3 = option(this, "Option3", QStringLiteral("Hard"), 2280);
    Option2->setChecked(true);

    const kit::AutoLabel::Look look{font(), palette().color(QPalette::WindowText),
                                    palette().color(QPalette::Window)};
    auto label = [this, &look](const QString& caption, int left, int top, int width, int height) {
        return new kit::AutoLabel(this, caption, left, top, width, height, look);
    };
    Label6 = label(QStringLiteral("ハイスペックなマシン用"), 1560, 240, 1215, 495);
    Label2 = label(QStringLiteral("簡単モード"), 1560, 960, 1215, 495);
    Label3 = label(QStringLiteral("普通モード"), 1560, 1680, 1215, 495);
    Label4 = label(QStringLiteral("大変モード"), 1560, 2280, 1215, 495);
    Label1 = label(QStringLiteral("左からレベルを選んでＯＫを押す。"), 3240, 240, 1215, 615);
    Label5 = label(QString(), 3120, 1080, 1215, 495);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(kit::toPixels(3240), kit::toPixels(2280), kit::toPixels(1215),
                          kit::toPixels(495));
    // Enter presses OK only while OK has the focus.
    Command1->setAutoDefault(false);

    connect(Option1, &QRadioButton::clicked, this, &Form2::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form2::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &Form2::Option3_Click);
    connect(Option4, &QRadioButton::clicked, this, &Form2::Option4_Click);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    Form_Load();
}

void Form2::Form_Load() {
    // Selecting from here counts as a click by hand: the description shows.
    if (state_.levelStep == 1) {
        Option4->setChecked(true);
        Option4_Click();
        state_.levelNumber = 1;
    } else if (state_.levelStep == 5) {
        Option1->setChecked(true);
        Option1_Click();
        state_.levelNumber = 1;
    } else if (state_.levelStep == 10) {
        Option2->setChecked(true);
        Option2_Click();
        state_.levelNumber = 2;
    } else if (state_.levelStep == 20) {
        Option3->setChecked(true);
        Option3_Click();
        state_.levelNumber = 3;
    }
}

void Form2::Option1_Click() { Label5->setCaption(QStringLiteral("オジさん、乳児向け")); }
void Form2::Option2_Click() { Label5->setCaption(QStringLiteral("入門者にお勧め")); }
void Form2::Option3_Click() { Label5->setCaption(QStringLiteral("物好きな方へ。初心者お断り")); }
void Form2::Option4_Click() {
    Label5->setCaption(QStringLiteral("１０ポイントも行かないマシンに"));
}

void Form2::Command1_Click() {
    if (Option1->isChecked()) state_.levelStep = 5;
    if (Option2->isChecked()) state_.levelStep = 10;
    if (Option3->isChecked()) state_.levelStep = 20;
    if (Option4->isChecked()) state_.levelStep = 1;
    close();  // discarded on close
}
