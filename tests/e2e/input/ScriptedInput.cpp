// Input for the end-to-end tests on a compositor that offers no input of its
// own (weston's headless backend has no seat). Qt loads it as a generic input
// plugin, the kind that feeds touch screens and tablets
// (QT_QPA_GENERIC_PLUGINS=zanraiscriptedinput:<fifo>); the program itself
// carries nothing for it. It reads one command a line from the fifo and
// sends the mouse and key events a person would through QTest:
//   menu <Menu> <Item>   click the menu's title in the main window's menu
//                        bar, then the item in the menu that opens
//   modal?               print "modal <title>" of the open modal box, or
//                        "modal -", on stderr
//   key Return           press Return in the open modal box

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QTest>
#include <cstdio>

namespace {

QMainWindow* mainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<QMainWindow*>(window); main && main->isVisible()) return main;
    return nullptr;
}

QAction* actionTitled(const QList<QAction*>& actions, const QString& text) {
    for (QAction* action : actions)
        if (action->text() == text) return action;
    return nullptr;
}

void clickMenu(const QString& menuTitle, const QString& itemTitle) {
    QMainWindow* main = mainWindow();
    QAction* menu = main ? actionTitled(main->menuBar()->actions(), menuTitle) : nullptr;
    if (!menu || !menu->menu()) return;
    QTest::mouseClick(main->menuBar(), Qt::LeftButton, {},
                      main->menuBar()->actionGeometry(menu).center());
    QMenu* popup = menu->menu();
    if (!QTest::qWaitFor([popup] { return popup->isVisible(); }, 5000)) return;
    if (QAction* item = actionTitled(popup->actions(), itemTitle))
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(item).center());
}

class ScriptedInput : public QObject {
public:
    explicit ScriptedInput(const QString& fifo) {
        fd_ = ::open(fifo.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return;
        auto* notifier = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &ScriptedInput::readCommands);
    }
    ~ScriptedInput() override {
        if (fd_ >= 0) ::close(fd_);
    }

private:
    void readCommands() {
        char chunk[256];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) pending_.append(chunk, n);
        qsizetype end;
        while ((end = pending_.indexOf('\n')) >= 0) {
            const QStringList words = QString::fromUtf8(pending_.left(end)).split(' ');
            pending_.remove(0, end + 1);
            // Later commands wait for this one: a menu command waits for its
            // popup, and reading on inside it would run them out of order.
            run(words);
        }
    }

    static void run(const QStringList& words) {
        QWidget* modal = QApplication::activeModalWidget();
        if (words.value(0) == QStringLiteral("menu")) {
            clickMenu(words.value(1), words.value(2));
        } else if (words.value(0) == QStringLiteral("modal?")) {
            std::fprintf(stderr, "modal %s\n",
                         modal ? qPrintable(modal->windowTitle()) : "-");
        } else if (words.value(0) == QStringLiteral("key") && modal) {
            QTest::keyClick(modal, Qt::Key_Return);
        }
    }

    int fd_ = -1;
    QByteArray pending_;
};

class ScriptedInputPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ScriptedInput.json")
public:
    QObject* create(const QString& key, const QString& specification) override {
        return key == QStringLiteral("zanraiscriptedinput") ? new ScriptedInput(specification)
                                                            : nullptr;
    }
};

}  // namespace

#include "ScriptedInput.moc"
