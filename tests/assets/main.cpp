#include <gtest/gtest.h>
#include <QGuiApplication>

// QPixmap and QIcon need a GUI application; test discovery runs this program
// at build time too, where no display may exist, so default to offscreen.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
