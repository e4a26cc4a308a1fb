#include "tests/support/XvfbDisplay.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <unistd.h>

// The real-display tests run on a private X server and a private session bus (which carries the
// accessibility bus screen readers use), so they neither need nor disturb a desktop. The test
// process itself is a Qt client of that server only to take screenshots of it.
int main(int argc, char** argv) {
    if (std::getenv("ZARTA_PRIVATE_SESSION_BUS") == nullptr) {
        ::setenv("ZARTA_PRIVATE_SESSION_BUS", "1", 1);
        std::vector<char*> args{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        args.insert(args.end(), argv, argv + argc);
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::perror("dbus-run-session");
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    std::unique_ptr<XvfbDisplay> display;
    try {
        display = std::make_unique<XvfbDisplay>(1366, 768);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    ::setenv("DISPLAY", display->name().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
