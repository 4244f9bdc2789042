// The yardstick for the game's start-up time, CPU and memory: the least a Qt 6
// Widgets program of the same shape costs on this machine. A main window with
// the game's client size and a menu bar, and nothing else.
//
//   minimal_window            shows the window
//   minimal_window --timer    also runs a 10 ms precise timer, as the game's
//                             fastest timers do while a game is on

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    bool withTimer = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--timer") == 0) withTimer = true;

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Start"));
    file->addAction(QStringLiteral("Reset"));
    file->addAction(QStringLiteral("Exit"), &app, &QApplication::quit);
    window.menuBar()->addMenu(QStringLiteral("Setting"))->addAction(QStringLiteral("Level"));
    window.menuBar()->addMenu(QStringLiteral("Help"))->addAction(QStringLiteral("Version"));
    // The game's client area: 6225 x 5340 twips.
    auto* client = new QWidget(&window);
    client->setFixedSize(415, 356);
    window.setCentralWidget(client);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);

    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(10);
    // Counts, so the tick is not optimised into nothing; the count is unused.
    unsigned long ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    if (withTimer) timer.start();

    window.show();
    return QApplication::exec();
}
