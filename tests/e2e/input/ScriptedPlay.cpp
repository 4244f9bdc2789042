// Plays one game where the compositor offers no input (weston's headless
// backend has no seat), for the end-to-end tests only. Qt loads it as a
// generic input plugin, the kind that feeds touch screens
// (QT_QPA_GENERIC_PLUGINS=zanraiscriptedplay). Once the main window shows it
// clicks File, then Start, through QTest as a person would, and presses
// Return in the first modal box.

#include <QApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {

// Clicks the entry named text in a menu bar or a menu.
template <class Menu>
void click(Menu* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text)
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
}

class ScriptedPlay : public QObject {
public:
    ScriptedPlay() { startTimer(200); }

protected:
    void timerEvent(QTimerEvent* event) override {
        if (QWidget* box = QApplication::activeModalWidget()) {
            killTimer(event->timerId());
            QTest::keyClick(box, Qt::Key_Return);
        }
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* main = qobject_cast<QMainWindow*>(window);
            if (main && main->isVisible() && !started_) {
                started_ = true;
                click(main->menuBar(), QStringLiteral("File"));
                click(main->menuBar()->actions().first()->menu(), QStringLiteral("Start"));
            }
        }
    }

private:
    bool started_ = false;
};

class ScriptedPlayPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ScriptedPlay.json")
public:
    QObject* create(const QString&, const QString&) override { return new ScriptedPlay; }
};

}  // namespace

#include "ScriptedPlay.moc"
