// GoogleTest entry for tests that need a QApplication. They run on Qt's
// offscreen platform, and anything that opens audio on SDL's dummy driver,
// unless the environment asks for others.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    // Qt, fontconfig and the programs a test starts keep settings and caches
    // under the home and XDG folders; a test run must leave the user's own
    // alone, so it gets throw-away ones, removed when it ends.
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    for (const auto& [var, sub] : {std::pair{"HOME", ""},
                                   {"XDG_CONFIG_HOME", "/.config"},
                                   {"XDG_DATA_HOME", "/.local/share"},
                                   {"XDG_CACHE_HOME", "/.cache"},
                                   {"XDG_RUNTIME_DIR", "/run"}}) {
        const QString path = home.path() + QLatin1String(sub);
        QDir().mkpath(path);
        qputenv(var, QFile::encodeName(path));
    }
    QFile::setPermissions(home.path() + "/run",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
