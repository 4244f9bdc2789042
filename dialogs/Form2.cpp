#include "Form2.h"

#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "Fonts.h"
#include "FormSurface.h"
#include "GameState.h"
#include "Pace.h"
#include "Phrases.h"
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

// How far below an option's top its caption's line begins: the style centres
// the caption in the option's box, while a wrapping label starts at its top.
int captionOffset(const QRadioButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents =
        button->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, button);
    return button->fontMetrics()
        .boundingRect(contents, Qt::AlignLeft | Qt::AlignVCenter, button->text())
        .top();
}

}  // namespace

Form2::Form2(GameState& state, QWidget* owner) : QWidget(owner), state_(state) {
    setObjectName(QStringLiteral("Form2"));
    QWidget* c = kit::makeToolWindow(this, QStringLiteral("Set(Level)"), 4680, 3195);
    // The user-interface face of a Japanese desktop: narrow enough that
    // "For Hi Spec" fits its option box.
    setFont(gothicFont(8.25));

    // All four share one parent, so they form one group.
    Option4 = option(c, "Option4", QStringLiteral("For Hi Spec"), 240);
    Option1 = option(c, "Option1", QStringLiteral("Easy"), 960);
    Option2 = option(c, "Option2", QStringLiteral("Normal"), 1680);
    Option3 = option(c, "Option3", QStringLiteral("Hard"), 2280);
    Option2->setChecked(true);

    const kit::AutoLabel::Look look{font(), palette().color(QPalette::WindowText),
                                    palette().color(QPalette::Window)};
    kit::FormSurface* controls = kit::FormSurface::overlay(c);
    auto label = [controls, &look](const QString& caption, int left, int top, int width,
                                   int height) {
        return new kit::AutoLabel(controls, caption, left, top, width, height, look);
    };
    // Each option's explaining label: its first line level with the option's
    // caption.
    const int level = captionOffset(Option4) * kit::twipsPerPixel;
    Label6 = label(phrased({u"ハイスペックな", u"マシン用"}), 1560, 240 + level, 1215, 495);
    Label2 = label(phrased({u"簡単モード"}), 1560, 960 + level, 1215, 495);
    Label3 = label(phrased({u"普通モード"}), 1560, 1680 + level, 1215, 495);
    Label4 = label(phrased({u"大変モード"}), 1560, 2280 + level, 1215, 495);
    Label1 = label(phrased({u"左から", u"レベルを", u"選んで", u"ＯＫを", u"押す。"}), 3240, 240,
                   1215, 615);
    // Three lines deep: kept whole, "１０ポイントも / 行かない / マシンに" needs them.
    Label5 = label(QString(), 3120, 1080, 1215, 675);

    Command1 = new QPushButton(QStringLiteral("OK"), c);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(kit::toPixels(3240), kit::toPixels(2280), kit::toPixels(1215),
                          kit::toPixels(495));
    // The dialog has no default button, so Enter presses OK only while OK
    // has the focus, as Space does.
    Command1->setAutoDefault(true);

    connect(Option1, &QRadioButton::clicked, this, &Form2::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form2::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &Form2::Option3_Click);
    connect(Option4, &QRadioButton::clicked, this, &Form2::Option4_Click);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    Form_Load();
}

void Form2::Form_Load() {
    // Selecting from here counts as a click by hand: the description shows.
    for (const Choice& choice : choices()) {
        if (state_.levelStep != choice.level.step) continue;
        choice.option->setChecked(true);
        (this->*choice.describe)();
        state_.levelNumber = choice.level.number;
    }
}

void Form2::Option1_Click() { Label5->setCaption(phrased({u"オジさん、", u"乳児向け"})); }
void Form2::Option2_Click() { Label5->setCaption(phrased({u"入門者に", u"お勧め"})); }
void Form2::Option3_Click() {
    Label5->setCaption(phrased({u"物好きな", u"方へ。", u"初心者", u"お断り"}));
}
void Form2::Option4_Click() {
    Label5->setCaption(phrased({u"１０ポイントも", u"行かない", u"マシンに"}));
}

void Form2::Command1_Click() {
    for (const Choice& choice : choices())
        if (choice.option->isChecked()) state_.levelStep = choice.level.step;
    close();  // discarded on close
}

std::array<Form2::Choice, 4> Form2::choices() const {
    return {{{Option1, &Form2::Option1_Click, pace::easy},
             {Option2, &Form2::Option2_Click, pace::normal},
             {Option3, &Form2::Option3_Click, pace::hard},
             {Option4, &Form2::Option4_Click, pace::hiSpec}}};
}
