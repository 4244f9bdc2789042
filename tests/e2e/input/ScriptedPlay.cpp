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

void click(QWidget* widget, const QList<QAction*>& actions, const QString& text) {
    for (QAction* action : actions)
        if (action->text() == text) {
            const QPoint at = qobject_cast<QMenuBar*>(widget)
                                  ? static_cast<QMenuBar*>(widget)->actionGeometry(action).center()
                                  : static_cast<QMenu*>(widget)->actionGeometry(action).center();
            QTest::mouseClick(widget, Qt::LeftButton, {}, at);
        }
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
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* main = qobject_cast<QMainWindow*>(window); main && main->isVisible() && !started_) {
                started_ = true;
                click(main->menuBar(), main->menuBar()->actions(), QStringLiteral("File"));
                QMenu* file = main->menuBar()->actions().first()->menu();
                click(file, file->actions(), QStringLiteral("Start"));
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
