#include <QApplication>

#include <gtest/gtest.h>

// The widget and window tests need a QApplication. CTest runs them on the offscreen platform;
// listing the tests at build time does the same, so no display is ever needed. Closing a window
// must not end the tests' event loops.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
