// Test entry point for the remote-control seams: they need a Qt application
// object (event loop, bus connections, shortcuts). Runs on the offscreen
// platform unless KIVO_TEST_X11 asks for the X11 one and a display exists.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    const bool want_x11 = std::getenv("KIVO_TEST_X11") != nullptr;
    const bool have_display = std::getenv("DISPLAY") != nullptr && *std::getenv("DISPLAY") != '\0';
    qputenv("QT_QPA_PLATFORM", want_x11 && have_display ? "xcb" : "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
