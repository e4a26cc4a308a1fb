#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

// The widget and window tests need a QApplication. CTest runs them on the offscreen platform;
// listing the tests at build time does the same, so no display is ever needed. Closing a window
// must not end the tests' event loops. The dialogs follow the application's font; the tests fix
// it (DejaVu Sans at 8 points, the size the dialog templates were written for) so their sizes and
// screenshots do not depend on the machine's font settings. Tests of other sizes set their own.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    return RUN_ALL_TESTS();
}
