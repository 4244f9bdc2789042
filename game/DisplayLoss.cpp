#include "DisplayLoss.h"

#include <QString>
#include <QtGlobal>
#include <cstdlib>
#include <iostream>

#include "SaveQueue.h"

namespace {

std::chrono::milliseconds saveCap{};
QtMessageHandler passOn = nullptr;

// Qt 6's own words before it ends the program, in its xcb and Wayland
// platform plugins.
bool announcesTheEnd(QtMsgType type, const QString& message) {
    return type == QtWarningMsg && (message.startsWith(QLatin1String("The X11 connection broke")) ||
                                    message.startsWith(QLatin1String("The Wayland connection")));
}

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (passOn != nullptr)
        passOn(type, context, message);
    else
        std::cerr << qPrintable(qFormatLogMessage(type, context, message)) << '\n';
    if (announcesTheEnd(type, message)) rankfile::SaveQueue::finishAll(saveCap);
}

void finishSaves() { rankfile::SaveQueue::finishAll(saveCap); }

}  // namespace

void letSavesOutliveTheDisplay(std::chrono::milliseconds cap) {
    saveCap = cap;
    passOn = qInstallMessageHandler(onMessage);
    std::atexit(finishSaves);
}
