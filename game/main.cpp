// Zanrai: the program is the creation of its main window.

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <thread>

#include <fontconfig/fontconfig.h>

#include "DataFolder.h"
#include "DesktopBeep.h"
#include "DisplayLoss.h"
#include "Fonts.h"
#include "Form1.h"
#include "GraphicalDisplay.h"
#include "LoadedSoundBackend.h"
#include "ProcessEnd.h"
#include "SoundBackendEntry.h"
#include "TerminationSignals.h"
#include "Timing.h"
#include "WindowFrame.h"

namespace {

// Qt's X11 backing store shares its image with the X server and, before
// painting where the last frame was, waits for the server to be done with it:
// a round trip on every frame of play. The few small rectangles a frame
// changes cost less sent over the socket, which waits for nothing.
void paintWithoutSharedMemory() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
}

// The sound server holds a little more of the stream than SDL asks for, so
// that a busy machine does not let the music run dry. Set before any thread
// starts: another thread's getenv beside a setenv is not safe.
void sizeSoundServerBuffer() {
    if (!qEnvironmentVariableIsSet("PULSE_LATENCY_MSEC"))
        qputenv("PULSE_LATENCY_MSEC", QByteArray::number(mm::soundServerBufferMs));
}

// A box opens over the main window (on Wayland its transient child, which the
// compositor keeps above it), also when no window has the keyboard focus.
QWidget* boxOwner() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QStringLiteral("Form1") && window->isVisible()) return window;
    return nullptr;
}

FormServices desktopServices(mm::MultimediaService& multimedia) {
    FormServices services;
    services.multimedia = &multimedia;
    services.programFolder = dataFolder(QCoreApplication::applicationDirPath());
    services.rankFolder = QDir::currentPath();
    services.messageBox = [](const QString& text, const QString& title) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, boxOwner());
        // No close button, and the whole title shows.
        kit::keepButtonless(&box);
        box.exec();
    };
    services.fileError = [](const QString& text) {
        std::cerr << "zanrai: " << text.toStdString() << '\n';
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Zanrai"),
                        QStringLiteral("ファイルエラー\n%1").arg(text), QMessageBox::Ok,
                        boxOwner());
        kit::keepButtonless(&box);
        box.exec();
    };
    services.beep = desktopBeep(QGuiApplication::platformName());
    services.endProgram = [](int status) { QCoreApplication::exit(status); };
    return services;
}

// Runs a task once, when the window is first exposed: from then on the
// window is on the screen and the task no longer competes with showing it.
class OnFirstExpose final : public QObject {
public:
    OnFirstExpose(QWindow* window, std::function<void()> task)
        : QObject(window), window_(window), task_(std::move(task)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Expose && window_->isExposed()) {
            window_->removeEventFilter(this);
            task_();
        }
        return false;
    }

private:
    QWindow* window_;
    std::function<void()> task_;
};

}  // namespace

int main(int argc, char* argv[]) {
    GraphicalDisplay display = GraphicalDisplay::choose();
    if (!display.reachable()) {
        std::cerr << "zanrai: no graphical display (DISPLAY and WAYLAND_DISPLAY are unset or "
                     "unreachable)\n";
        return 1;
    }
    paintWithoutSharedMemory();
    sizeSoundServerBuffer();
    // Reading the font configuration (a few milliseconds of XML and caches)
    // is the first thing the window's first text needs; begun here, it runs
    // beside the QApplication's set-up instead of after it.
    const std::jthread fontConfiguration([] { FcInit(); });
    QApplication app(argc, argv);
    const std::jthread gothicLoader = loadGothicFaceInBackground();
    QApplication::setApplicationName(QStringLiteral("zanrai"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.zanrai.Zanrai"));

    // Nothing of the sound is needed for the first frame: its back end and
    // its libraries are loaded once the window is on the screen, or at the
    // first request if that comes sooner, and never on this thread.
    mm::LoadedSoundBackend sound(QFile::encodeName(QCoreApplication::applicationDirPath() +
                                                   QLatin1Char('/') +
                                                   QLatin1String(mm::soundBackendFile))
                                     .toStdString());
    int status = 0;
    {
        Form1 form(desktopServices(sound));
        if (!form.Form_Load()) return 1;
        onTerminationSignals([&form] { form.mnuExit_Click(); });
        letSavesOutliveTheDisplay(rankfile::defaultLockWait);
        form.adjustSize();
        kit::centreOnScreen(&form);
        form.show();
        new OnFirstExpose(form.windowHandle(), [&sound] {
            qCDebug(zanraiTiming, "Exposed %lld", timingNow());
            sound.beginLoading();
        });
        display.release();
        status = QApplication::exec();
    }
    // The game has ended in order (a pending save of rank.dat included).
    // A thread still out (a sound back end stuck in the dynamic loader, a
    // save hung on the disk, the alert sound inside libcanberra) may hold a
    // lock that the normal end of a process (static destructors, the
    // loader's own handlers) would wait for without end: then the process
    // ends here.
    sound.finish(std::chrono::milliseconds(500));
    if (!lifetime::mayEndNormally()) {
        std::fflush(nullptr);
        _exit(status);
    }
    return status;
}
