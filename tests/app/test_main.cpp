// Runs the window tests inside one QApplication on Qt's offscreen platform,
// with the desktop settings (where the hot keys live) in a private folder
// and the virtual sound card.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    // The window's player and recorder use the virtual sound card, which
    // appends what it plays to a file the tests read.
    if (qEnvironmentVariableIsEmpty("KIVO_AUDIO")) {
        qputenv("KIVO_AUDIO", "virtual");
        qputenv("KIVO_AUDIO_CLOCK", "fast");
        qputenv("KIVO_AUDIO_OUT", settings.filePath(QStringLiteral("played.wav")).toLocal8Bit());
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
