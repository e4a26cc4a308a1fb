#include <QApplication>

#include <gtest/gtest.h>

// The desktop tests need a QApplication on the offscreen platform, also when their tests are
// listed at build time. Closing a window must not end the tests' event loops.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
