// The main window as it is created: every control with its geometry in
// twips, its picture, caption, font, colour and state, and the menu tree.

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "Fonts.h"
#include "Form1.h"
#include "FormSurface.h"
#include "Multimedia32.h"
#include "Pace.h"
#include "Pictures.h"
#include "Rules.h"
#include "SaveQueue.h"
#include "Twips.h"
#include "WindowFrame.h"

namespace {

// The client area below the menu bar, in twips (415 x 356 pixels).
constexpr int clientWidth = 6225;
constexpr int clientHeight = 5340;

// The system colours of the usual scheme: active title-bar text (the
// window's background) and button text (the labels' text).
const QColor windowBackground = Qt::white;
const QColor buttonText = Qt::black;

kit::AutoLabel::Look panelTitle() { return {panelFont(), buttonText, std::nullopt}; }
kit::AutoLabel::Look valueLook(const QColor& text = buttonText) {
    return {gothicFont(14.25), text, std::nullopt};
}

}  // namespace

Form1::Form1(FormServices services)
    : QMainWindow(nullptr, kit::buttonlessFrame(true)),
      services_(std::move(services)),
      multimedia_(std::make_unique<Multimedia32>(*services_.multimedia)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(rules::caption));
    kit::keepButtonless(this);
    setWindowIcon(QIcon(QPixmap::fromImage(pictures::load(pictures::icon))));
    setFont(panelFont());
    createControls();
    createMenus();
    connectHandlers();
    connectModel();
    setCursor(QCursor(QPixmap::fromImage(pictures::load(pictures::cursor)), pictures::cursorHotX,
                      pictures::cursorHotY));
    // The window cannot be resized: it is exactly the menu bar and the
    // client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Form1::~Form1() = default;

void Form1::createControls() {
    client_ = new kit::FormSurface(this, clientWidth, clientHeight, windowBackground,
                                   pictures::load(pictures::scene));
    setCentralWidget(client_);
    kit::FormSurface* c = client_;

    // Picture stores below the client area, never seen. Created first so
    // that nothing in the play area is stacked under them.
    const QImage target = pictures::load(pictures::target);
    const QImage bonus = pictures::load(pictures::bonus);
    const QImage bonusCut = pictures::load(pictures::bonusCut);
    const QImage hidden = pictures::load(pictures::hidden);
    const QImage hiddenFound = pictures::load(pictures::hiddenFound);
    auto store = [c](int index, const QImage& picture) {
        const int slot = index - 12;
        const int row = slot / 5;  // five stores a row
        auto* image =
            new kit::ImageControl(c, (slot % 5) * 720, 6000.0F + static_cast<float>(row) * 600.0F);
        image->setPicture(picture);
        return image;
    };
    Image12 = store(12, target);
    Image13 = store(13, pictures::load(pictures::uraTarget2));
    Image14 = store(14, pictures::load(pictures::uraTarget4));
    Image15 = store(15, pictures::load(pictures::uraTarget1));
    Image16 = store(16, pictures::load(pictures::spare16));
    Image17 = store(17, pictures::load(pictures::uraBonus));
    Image18 = store(18, pictures::load(pictures::uraTarget3));
    Image19 = store(19, pictures::load(pictures::uraHiddenFound));
    Image20 = store(20, pictures::load(pictures::uraHidden));
    Image21 = store(21, pictures::load(pictures::uraBonusCut));
    Image22 = store(22, hiddenFound);
    Image23 = store(23, hidden);
    Image24 = store(24, bonus);
    Image25 = store(25, bonusCut);
    Image26 = store(26, pictures::load(pictures::spare26));

    auto image = [c](int left, int top, const QImage& picture, bool visible) {
        auto* control = new kit::ImageControl(c, left, static_cast<float>(top));
        control->setPicture(picture);
        control->setVisible(visible);
        return control;
    };
    // Hidden stores of the two characters' other looks.
    Image7 = image(4200, 840, bonusCut, false);
    Image8 = image(4800, 960, bonus, false);
    Image10 = image(0, 240, hidden, false);
    Image11 = image(1200, 240, hiddenFound, false);

    // The message line and the speech line sit on the scene.
    Label10 = new kit::AutoLabel(c, QStringLiteral("レッツプレイ"), 2520, 600,
                                 {gothicFont(14.25), buttonText, QColor(192, 192, 255)});
    Label11 = new kit::AutoLabel(c, QStringLiteral("拙者に気づくとは・・・"), 0, 1680, valueLook());
    Label11->setVisible(false);

    // The guide lines: the targets' home row and the limit.
    Line1 = new kit::LineControl(c, 0, 2280, 6240, 2280, QColor(0, 0, 255));
    constexpr int limit = static_cast<int>(pace::limitTop);
    Line2 = new kit::LineControl(c, 0, limit, 6240, limit, QColor(255, 0, 0));

    // The cast, above the lines and captions.
    Image6 = image(3240, 960, bonus, true);
    Image9 = image(600, 1080, hidden, true);
    constexpr int home = static_cast<int>(pace::homeTop);
    Image5 = image(1200, home, target, true);
    Image4 = image(2160, home, target, true);
    Image1 = image(3120, home, target, true);
    Image2 = image(4080, home, target, true);
    Image3 = image(5160, home, target, true);
    targets = {Image1, Image2, Image3, Image4, Image5};
    cuttables = {Image1, Image2, Image3, Image4, Image5, Image6, Image9};

    // The cut marks above the whole cast, each in its character's column.
    // Disabled, they never take a click: a press goes to what lies beneath.
    const QImage slash = pictures::load(pictures::slash);
    for (std::size_t i = 0; i < cuttables.size(); ++i) {
        cutMarks[i] =
            image(cuttables[i]->left(), static_cast<int>(cuttables[i]->top()), slash, false);
        cutMarks[i]->setEnabled(false);
    }
    // The burst of a lost life, 40 x 21 pixels, centred on the red line; it
    // moves to the column of the target that broke through.
    constexpr int breachWidth = 40 * kit::twipsPerPixel, breachHeight = 21 * kit::twipsPerPixel;
    constexpr int breachAbove = breachHeight / 2;  // whole twips, as the controls are placed
    breachMark =
        new kit::ImageControl(c, 0, pace::limitTop - breachAbove, breachWidth, breachHeight);
    breachMark->setPicture(pictures::load(pictures::breach));
    breachMark->setVisible(false);
    breachMark->setEnabled(false);

    // The score panel on the plain background below the scene.
    Label4 = new kit::AutoLabel(c, QStringLiteral("Score"), 3360, 4080, panelTitle());
    Label2 = new kit::AutoLabel(c, QStringLiteral("0"), 4800, 3960, valueLook(QColor(255, 0, 0)));
    Label3 = new kit::AutoLabel(c, QStringLiteral("High Score"), 3360, 4800, panelTitle());
    Label5 = new kit::AutoLabel(c, QStringLiteral("0"), 4800, 4680, valueLook());
    Label6 = new kit::AutoLabel(c, QStringLiteral("Level"), 600, 4080, panelTitle());
    Label7 = new kit::AutoLabel(c, QStringLiteral("1"), 1440, 4080, valueLook());
    Label8 = new kit::AutoLabel(c, QStringLiteral("Life"), 600, 4560, panelTitle());
    // Behind the Life value, so the digit stands on it while it flashes.
    lifeFlash = new kit::AutoLabel(c, QString(), 1365, 4530, 390, 345,
                                   {panelFont(), buttonText, QColor(240, 80, 80)});
    lifeFlash->setVisible(false);
    Label9 = new kit::AutoLabel(c, QString::number(rules::startingLives), 1440, 4560, valueLook());
    Label1 = new kit::AutoLabel(c, QStringLiteral("Label1"), 4320, 5280, 1215, 495,
                                {panelFont(), buttonText, windowBackground});
    Label1->setVisible(false);

    Timer1 = new kit::WindowTimer(this, pace::sinkIntervalMs, true);
    Timer2 = new kit::WindowTimer(this, pace::pushIntervalMs, true);
    Timer3 = new kit::WindowTimer(this, pace::sinkIntervalMs, true);
    Timer4 = new kit::WindowTimer(this, 100, false);
    Timer5 = new kit::WindowTimer(this, 100, false);
    Timer6 = new kit::WindowTimer(this, 1000, false);
    afterglow = new QTimer(this);
    afterglow->setSingleShot(true);
    afterglow->setTimerType(Qt::PreciseTimer);

    // Hidden buttons: internal commands the user can neither see nor press.
    std::array<QPushButton**, 8> buttons = {&Command1, &Command2, &Command3, &Command4,
                                            &Command5, &Command6, &Command7, &Command8};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const QString name = QStringLiteral("Command%1").arg(i + 1);
        *buttons[i] = new QPushButton(name, c);
        (*buttons[i])->setObjectName(name);
        (*buttons[i])->setVisible(false);
    }
}

void Form1::createMenus() {
    QMenuBar* bar = menuBar();
    auto item = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    auto separator = [](QMenu* menu, const char* name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };

    mnuFile = bar->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuRst = item(mnuFile, "mnuRst", QStringLiteral("Reset"));
    mnustart = item(mnuFile, "mnustart", QStringLiteral("Start"));
    brank5 = separator(mnuFile, "brank5");
    mnurank = item(mnuFile, "mnurank", QStringLiteral("Ranking"));
    mnurank->setEnabled(false);
    mnubrank = separator(mnuFile, "mnubrank");
    mnuExit = item(mnuFile, "mnuExit", QStringLiteral("Exit"));

    mnuSet = bar->addMenu(QStringLiteral("Setting"));
    mnuSet->setObjectName(QStringLiteral("mnuSet"));
    mnuTitl = item(mnuSet, "mnuTitl", QStringLiteral("TitleBar"));
    mnuLine = item(mnuSet, "mnuLine", QStringLiteral("Line On/Off"));
    mnubrank2 = separator(mnuSet, "mnubrank2");
    mnuLv = item(mnuSet, "mnuLv", QStringLiteral("GameLevel"));
    mnuBlank2 = separator(mnuSet, "mnuBlank2");
    mnuUra = item(mnuSet, "mnuUra", QStringLiteral("水戸黄門を敵に回してみる"));
    mnuRet = item(mnuSet, "mnuRet", QStringLiteral("元に戻す"));

    mnuHedlp = bar->addMenu(QStringLiteral("Help"));
    mnuHedlp->setObjectName(QStringLiteral("mnuHedlp"));
    mnuHelp = item(mnuHedlp, "mnuHelp", QStringLiteral("Help"));
    brank3 = separator(mnuHedlp, "brank3");
    mnuVer = item(mnuHedlp, "mnuVer", QStringLiteral("Version"));
}

void Form1::connectHandlers() {
    connect(mnuRst, &QAction::triggered, this, &Form1::mnuRst_Click);
    connect(mnustart, &QAction::triggered, this, &Form1::mnustart_Click);
    connect(mnuExit, &QAction::triggered, this, &Form1::mnuExit_Click);
    connect(mnuTitl, &QAction::triggered, this, &Form1::mnuTitl_Click);
    connect(mnuLine, &QAction::triggered, this, &Form1::mnuLine_Click);
    connect(mnuLv, &QAction::triggered, this, &Form1::mnuLv_Click);
    connect(mnuUra, &QAction::triggered, this, &Form1::mnuUra_Click);
    connect(mnuRet, &QAction::triggered, this, &Form1::mnuRet_Click);
    connect(mnuVer, &QAction::triggered, this, &Form1::mnuVer_Click);
    // Ctrl+Q, the key players try first, leaves as File, Exit does. It
    // belongs to the window, not to the item, so the menu shows its caption
    // alone; it works in the level and version dialogs too, which leave
    // Exit in reach, while a modal box blocks it as it blocks the menu.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->setContext(Qt::ApplicationShortcut);
    connect(quit, &QShortcut::activated, this, &Form1::mnuExit_Click);

    connect(Timer1, &kit::WindowTimer::Timer, this, &Form1::Timer1_Timer);
    connect(Timer2, &kit::WindowTimer::Timer, this, &Form1::Timer2_Timer);
    connect(Timer3, &kit::WindowTimer::Timer, this, &Form1::Timer3_Timer);

    connect(Image1, &kit::ImageControl::clicked, this, &Form1::Image1_Click);
    connect(Image2, &kit::ImageControl::clicked, this, &Form1::Image2_Click);
    connect(Image3, &kit::ImageControl::clicked, this, &Form1::Image3_Click);
    connect(Image4, &kit::ImageControl::clicked, this, &Form1::Image4_Click);
    connect(Image5, &kit::ImageControl::clicked, this, &Form1::Image5_Click);
    connect(Image6, &kit::ImageControl::clicked, this, &Form1::Image6_Click);
    connect(Image9, &kit::ImageControl::clicked, this, &Form1::Image9_Click);

    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(afterglow, &QTimer::timeout, this, &Form1::Afterglow_Timer);
}

void Form1::closeEvent(QCloseEvent* event) {
    // The window has no close button; a close request from the desktop
    // (a window manager's menu, a session ending) leaves as Exit does.
    event->ignore();
    if (ending_ == Ending::playing) mnuExit_Click();
}
