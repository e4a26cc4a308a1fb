#include <QApplication>

#include <gtest/gtest.h>

// The widget tests need a QApplication. CTest runs them on the offscreen platform; listing the
// tests at build time does the same, so no display is ever needed.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
