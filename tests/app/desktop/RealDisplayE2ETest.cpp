#include "tests/support/WindowManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <qguiapplication_platform.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <xcb/xcb.h>

namespace {

constexpr int conversionTimeout = 5 * 60 * 1000;
const QString title = QStringLiteral("Zarta Word To PDF");

// A person at a real X display with only a keyboard and a screen reader: the desktop program
// started as installed, driven with synthetic key presses (xdotool, through the X server's
// input extension) and read over AT-SPI, as assistive technology reads it.
class RealDisplay : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir dir(root.path());
        ASSERT_TRUE(dir.mkpath("home/run") && dir.mkpath("in"));
        QFile::setPermissions(dir.filePath("home/run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        inFolder = dir.filePath("in");
        ASSERT_TRUE(QFile::copy(QStringLiteral(ZARTA_SAMPLES_DIR "/welcome.docx"),
                                inFolder + "/welcome.docx"));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString home = dir.filePath("home");
        environment.insert("HOME", home);
        environment.insert("XDG_RUNTIME_DIR", home + "/run");
        environment.insert("XDG_DATA_HOME", home + "/data");
        environment.insert("XDG_CONFIG_HOME", home + "/config");
        // No conversion service outlives the test.
        environment.insert("ZARTA_NO_SERVICE", "1");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        // Qt's own dialogs (no desktop's platform theme) and its accessibility bridge always on,
        // as with a screen reader running.
        environment.insert("QT_QPA_PLATFORMTHEME", "");
        environment.remove("XDG_CURRENT_DESKTOP");
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
    }

    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    }

    static QString run(const QString& command, const QStringList& arguments, int msecs = 20000) {
        QProcess process;
        process.start(command, arguments);
        if (!process.waitForFinished(msecs)) {
            process.kill();
            process.waitForFinished();
        }
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    static void key(const QString& keys) {
        run("xdotool", {"key", "--delay", "60", keys});
        QThread::msleep(200);
    }

    // What a screen reader gets from the program.
    static QString reader(const QString& what) {
        return run("/usr/bin/python3",
                   {QStringLiteral(ZARTA_ATSPI_READER), "ZartaWordToPDF", what});
    }

    // Presses Tab until the control named name has the focus; false after 25 presses, with
    // the controls the focus went through on the standard error.
    static bool tabTo(const QString& focused) {
        QStringList seen;
        for (int press = 0; press < 25; ++press) {
            seen << reader("focus");
            if (seen.back().section(QStringLiteral(" | "), 1, 1) == focused) {
                return true;
            }
            key("Tab");
        }
        std::fprintf(stderr, "Tab never reached \"%s\"; the focus went through: %s\n",
                     qPrintable(focused), qPrintable(seen.join(", ")));
        return false;
    }

    // A control that can take the focus, as the screen reader's "stops" lists it.
    struct Stop {
        bool focused = false;
        QString path; // child indices from the application: the same control at every look
        QRect place;  // on the screen
        bool whole = false;
        QString described; // "role | name ..."
    };

    static QList<Stop> stops() {
        QList<Stop> found;
        for (const QString& line : reader("stops").split('\n', Qt::SkipEmptyParts)) {
            const QStringList fields = line.split('\t');
            const QStringList box = fields.value(2).split(' ');
            if (fields.size() == 5 && box.size() == 4) {
                found.append({fields[0] == "*", fields[1],
                              QRect(box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt()),
                              fields[3] == "whole", fields[4]});
            }
        }
        return found;
    }

    // Walks the Tab cycle of the window once round from the control that has the focus. Every
    // stop must be named, have a role of its own (not an anonymous "filler") and look different
    // with the focus than without it (a focus frame is drawn). Each control's look with the
    // focus is compared with its look, at the same size, at a later press that moved the focus
    // elsewhere and left the control whole on the screen. Returns the stops, as "role | name".
    static QStringList walkTabCycle() {
        QStringList order;
        QString first;
        QHash<QString, QString> described;
        QHash<QString, QImage> focusedLook;
        QHash<QString, bool> differs;
        QList<Stop> before;
        QImage screenBefore;
        for (int press = 0; press < 80; ++press) {
            // The focus moves from one control to the next in steps a reader can see between,
            // and a loaded machine draws the move later than it reports it.
            QList<Stop> now;
            const auto focusOf = [](const QList<Stop>& all) {
                return std::find_if(all.begin(), all.end(),
                                    [](const Stop& stop) { return stop.focused; });
            };
            waitFor(
                [&] {
                    now = stops();
                    return focusOf(now) != now.end();
                },
                10000);
            const auto focus = focusOf(now);
            if (focus == now.end()) {
                ADD_FAILURE() << "nothing has the focus after " << press << " presses of Tab";
                break;
            }
            const QImage screen = drawnFocus(*focus, before, screenBefore);
            before = now;
            screenBefore = screen;
            for (const Stop& stop : now) {
                if (!stop.focused && stop.whole && focusedLook.contains(stop.path) &&
                    !differs.contains(stop.path) &&
                    focusedLook[stop.path].size() == stop.place.size()) {
                    differs[stop.path] = screen.copy(stop.place) != focusedLook[stop.path];
                }
            }
            if (focus->path == first && differs.size() == focusedLook.size() &&
                focusedLook.size() == described.size()) {
                break;
            }
            if (first.isEmpty()) {
                first = focus->path;
            }
            if (!described.contains(focus->path)) {
                described[focus->path] = focus->described;
                order << focus->described;
            }
            if (focus->whole) {
                focusedLook[focus->path] = screen.copy(focus->place);
            }
            key("Tab");
        }
        for (auto stop = described.cbegin(); stop != described.cend(); ++stop) {
            const QString role = stop.value().section(QStringLiteral(" | "), 0, 0);
            const QString name = stop.value().section(QStringLiteral(" | "), 1, 1);
            EXPECT_NE(role, "filler") << stop.value().toStdString();
            EXPECT_FALSE(name.trimmed().isEmpty()) << stop.value().toStdString();
            EXPECT_TRUE(focusedLook.contains(stop.key()))
                << "never wholly on the screen with the focus: " << stop.value().toStdString();
            EXPECT_TRUE(differs.value(stop.key()))
                << "no focus frame: " << stop.value().toStdString();
        }
        return order;
    }

    // The screen once it shows the focus on `focus`: its look there differs from the one on the
    // screen before, when another control had the focus (compared where the control was whole
    // at the same place both times). After five seconds, the screen as it is.
    static QImage drawnFocus(const Stop& focus, const QList<Stop>& before,
                             const QImage& screenBefore) {
        const auto earlier = std::find_if(before.begin(), before.end(), [&](const Stop& stop) {
            return stop.path == focus.path;
        });
        const bool comparable = earlier != before.end() && !earlier->focused && earlier->whole &&
                                focus.whole && earlier->place == focus.place;
        QImage screen;
        waitFor(
            [&] {
                screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
                return !comparable || screen.copy(focus.place) != screenBefore.copy(earlier->place);
            },
            5000);
        return screen;
    }

    // Presses Tab until a control of that role has the focus; false after 25 presses.
    static bool tabToRole(const QString& role) {
        for (int press = 0; press < 25; ++press) {
            if (reader("focus").section(QStringLiteral(" | "), 0, 0) == role) {
                return true;
            }
            key("Tab");
        }
        return false;
    }

    // Starts the program and gives its window the focus; the window's X id.
    QString startProgram() {
        program.start(QStringLiteral(ZARTA_PROGRAM), {});
        EXPECT_TRUE(program.waitForStarted());
        EXPECT_TRUE(waitFor([] { return windowsNamed(title) == 1; }, 30000));
        const QString window =
            run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
        run("xdotool", {"windowfocus", "--sync", window});
        EXPECT_TRUE(waitFor([] { return !reader("focus").isEmpty(); }, 15000));
        return window;
    }

    static bool waitFor(const std::function<bool()>& condition, int msecs) {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > msecs) {
                return false;
            }
            QThread::msleep(250);
        }
        return true;
    }

    // Windows of the program on the screen with the given title.
    static int windowsNamed(const QString& name) {
        const QString found =
            run("xdotool", {"search", "--onlyvisible", "--name", "^" + name + "$"});
        return found.isEmpty() ? 0 : int(found.split('\n').size());
    }

    static void screenshot(const QString& name) {
        QDir().mkpath(QStringLiteral(ZARTA_SCREENSHOT_DIR));
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        EXPECT_FALSE(screen.isNull());
        screen.save(QStringLiteral(ZARTA_SCREENSHOT_DIR "/real-display-") + name + ".png");
    }

    // Asks the window to close, as a window manager does when the user presses Alt+F4 (this
    // display has none): a WM_DELETE_WINDOW message from the window manager's protocol.
    static void closeWindow(xcb_window_t window) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11->connection();
        const auto atom = [connection](const char* name) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
                connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name),
                nullptr);
            const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
            std::free(reply);
            return found;
        };
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
    }

    // Processes whose command line names this test's home: the office the program started.
    QStringList processesOfOurs() const {
        QStringList found;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            QFile cmdline("/proc/" + pid + "/cmdline");
            if (pid.toInt() > 0 && cmdline.open(QIODevice::ReadOnly) &&
                cmdline.readAll().contains(root.path().toUtf8())) {
                found << pid;
            }
        }
        return found;
    }

    QTemporaryDir root;
    QString inFolder;
    QProcess program;
};

TEST_F(RealDisplay, AKeyboardAloneConvertsWithAPasswordAndAScreenReaderNamesEveryStep) {
    program.start(QStringLiteral(ZARTA_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(waitFor([] { return windowsNamed(title) == 1; }, 30000));
    const QString window = run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
    run("xdotool", {"windowfocus", "--sync", window});
    ASSERT_TRUE(waitFor([] { return !reader("focus").isEmpty(); }, 15000));
    screenshot("1-started");

    // What a screen reader announces: each control by its label, the bar with its value.
    const QString tree = reader("tree");
    for (const char* expected :
         {"list | Convert Word To PDF", "text | Select destination folder for converted file(s).",
          "label | Not started.", "progress bar | Conversion progress | value=0",
          "check box | Display Advanced Options.", "text | Title",
          "password text | Enable Owner Password",
          "combo box | V1.3(Acrobat 4.xx) | labelled by PDF Version"}) {
        EXPECT_TRUE(tree.contains(QString::fromUtf8(expected))) << expected << " in:\n"
                                                                << tree.toStdString();
    }
    EXPECT_EQ(reader("focus"), "list | Convert Word To PDF");

    // Add the document through the file dialog: its name field has the focus.
    ASSERT_TRUE(tabTo("Add File(s)"));
    key("space");
    ASSERT_TRUE(waitFor([] { return windowsNamed("Open") == 1; }, 15000));
    run("xdotool", {"type", "--delay", "20", inFolder + "/welcome.docx"});
    key("Return");
    ASSERT_TRUE(waitFor([] { return windowsNamed("Open") == 0; }, 15000));
    // Without a window manager nobody gives the main window the focus back.
    run("xdotool", {"windowfocus", "--sync", window});

    // Open the advanced options and protect the PDF with an owner password.
    ASSERT_TRUE(tabTo("Display Advanced Options."));
    key("space");
    ASSERT_TRUE(tabTo("Description"));
    key("Right");
    ASSERT_TRUE(tabTo("Enable PDF Security"));
    key("space");
    // Both password boxes start ticked: untick the user password, type the owner's.
    ASSERT_TRUE(tabTo("Enable User Password"));
    key("space");
    ASSERT_TRUE(tabTo("Enable Owner Password"));
    key("Tab");
    const QString ownerField = reader("focus");
    ASSERT_TRUE(ownerField.startsWith("password text | Enable Owner Password"))
        << ownerField.toStdString();
    run("xdotool", {"type", "--delay", "20", "owner secret"});
    screenshot("2-security");

    ASSERT_TRUE(tabTo("Convert"));
    key("space");
    ASSERT_TRUE(waitFor([] { return windowsNamed(title) == 2; }, conversionTimeout))
        << "no finish dialog";
    screenshot("3-finished");
    EXPECT_TRUE(reader("tree").contains("label | Complete!"));
    key("Escape");
    ASSERT_TRUE(waitFor([] { return windowsNamed(title) == 1; }, 15000));

    const QString pdf = inFolder + "/welcome.pdf";
    ASSERT_TRUE(QFile::exists(pdf));
    const QString encryption = run("qpdf", {"--password=owner secret", "--show-encryption", pdf});
    EXPECT_TRUE(encryption.contains("R = 2")) << encryption.toStdString();
    EXPECT_TRUE(encryption.contains("print low resolution: not allowed"))
        << encryption.toStdString();

    // Closing the window as a window manager does for Alt+F4 ends the program and its office.
    closeWindow(window.toUInt());
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(waitFor([this] { return processesOfOurs().isEmpty(); }, 30000))
        << processesOfOurs().join(' ').toStdString();
}

} // namespace

namespace {

TEST_F(RealDisplay, EveryTabStopOfTheWindowShowsItsFocusAndIsNamedAndCtrlTabSwitchesTheTabs) {
    startProgram();
    key("alt+o");
    ASSERT_TRUE(
        waitFor([] { return reader("tree").contains("page tab list | Description"); }, 15000));

    // The wheel over the tabs scrolls the window (taller than this screen with the options
    // shown) and leaves the tab as it was.
    const auto tabPlace = [] {
        for (const Stop& stop : stops()) {
            if (stop.described.startsWith("page tab | Description")) {
                return stop.place;
            }
        }
        return QRect();
    };
    const QRect before = tabPlace();
    ASSERT_FALSE(before.isEmpty());
    run("xdotool",
        {"mousemove", QString::number(before.center().x()), QString::number(before.center().y())});
    run("xdotool", {"click", "--repeat", "2", "--delay", "100", "5"});
    QThread::msleep(300);
    EXPECT_LT(tabPlace().y(), before.y()) << "the window did not scroll";
    EXPECT_TRUE(reader("tree").contains("page tab list | Description"));
    screenshot("4-wheel-over-the-tabs");

    // Each tab's page in turn, switched with Ctrl+Tab from the tabs; the security page with its
    // controls enabled.
    const char* tabs[] = {"Description", "Security", "Advanced"};
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tabs[tab]);
        if (tab > 0) {
            ASSERT_TRUE(tabToRole("page tab"));
            key("ctrl+Tab");
            EXPECT_EQ(reader("focus"), QStringLiteral("page tab | ") + tabs[tab]);
        }
        if (tab == 1) {
            ASSERT_TRUE(tabTo("Enable PDF Security"));
            key("space");
        }
        const QStringList cycle = walkTabCycle();
        screenshot(QStringLiteral("5-tab-cycle-") + tabs[tab]);
        for (const char* expected :
             {"push button | Website", "list | Convert Word To PDF", "push button | Browse",
              "check box | Display Advanced Options."}) {
            EXPECT_TRUE(cycle.filter(QString::fromUtf8(expected)).size() == 1)
                << expected << " in " << cycle.join(", ").toStdString();
        }
        EXPECT_EQ(cycle.filter("page tab | ").size(), 1) << cycle.join(", ").toStdString();
    }
    // Back the other way.
    ASSERT_TRUE(tabToRole("page tab"));
    key("ctrl+shift+Tab");
    EXPECT_EQ(reader("focus"), "page tab | Security");
}

TEST_F(RealDisplay, StopIsReachedByItsAltKey) {
    const QString window = startProgram();
    key("alt+f");
    ASSERT_TRUE(waitFor([] { return windowsNamed("Open") == 1; }, 15000));
    run("xdotool", {"type", "--delay", "20", inFolder + "/welcome.docx"});
    key("Return");
    ASSERT_TRUE(waitFor([] { return windowsNamed("Open") == 0; }, 15000));
    run("xdotool", {"windowfocus", "--sync", window});

    key("alt+c");
    ASSERT_TRUE(waitFor([] { return reader("tree").contains("push button | Stop"); }, 15000));
    key("alt+t");
    ASSERT_TRUE(waitFor([] { return windowsNamed(title) == 2; }, 15000)) << "no question";
    screenshot("6-stop-question");
    key("alt+y");
    EXPECT_TRUE(waitFor([] { return reader("tree").contains("label | Stoped"); }, 15000))
        << reader("tree").toStdString();
    EXPECT_TRUE(waitFor([this] { return processesOfOurs().isEmpty(); }, 30000))
        << processesOfOurs().join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(inFolder + "/welcome.pdf"));
}

// Word documents opened with the program from a file manager: the first copy lists its files;
// a later copy, started while the first one is covered by another program's window, hands its
// files to the running copy's list, brings that copy to the front and ends with code zero.
TEST_F(RealDisplay, FilesOpenedWithALaterCopyJoinTheRunningCopysListWhichComesToTheFront) {
    WindowManager manager;
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(ZARTA_SAMPLES_DIR "/bericht.docx"), inFolder + "/bericht.docx"));
    program.start(QStringLiteral(ZARTA_PROGRAM), {inFolder + "/welcome.docx"});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(waitFor([] { return windowsNamed(title) == 1; }, 30000));
    const quint32 window =
        run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}).toUInt();
    ASSERT_TRUE(waitFor([] { return reader("tree").contains("welcome.docx"); }, 15000))
        << reader("tree").toStdString();

    QWindow other;
    other.setTitle(QStringLiteral("Another program"));
    other.setGeometry(0, 0, 1366, 768);
    other.show();
    ASSERT_TRUE(waitFor([] { return windowsNamed("Another program") == 1; }, 10000));
    const quint32 covering =
        run("xdotool", {"search", "--onlyvisible", "--name", "^Another program$"}).toUInt();
    run("xdotool", {"windowactivate", "--sync", QString::number(covering)});
    ASSERT_TRUE(waitFor(
        [&] {
            const QList<quint32> stack = WindowManager::stacking();
            return stack.indexOf(covering) > stack.indexOf(window);
        },
        10000));

    QProcess later;
    later.setProcessEnvironment(program.processEnvironment());
    later.setProcessChannelMode(QProcess::ForwardedChannels);
    later.start(QStringLiteral(ZARTA_PROGRAM), {inFolder + "/bericht.docx"});
    ASSERT_TRUE(later.waitForFinished(15000));
    EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_TRUE(waitFor([] { return reader("tree").contains("bericht.docx"); }, 15000))
        << reader("tree").toStdString();
    EXPECT_TRUE(reader("tree").contains("welcome.docx"));
    EXPECT_TRUE(waitFor(
        [&] {
            const QList<quint32> stack = WindowManager::stacking();
            return !stack.isEmpty() && stack.last() == window;
        },
        10000));
    EXPECT_EQ(windowsNamed(title), 1);
    screenshot("7-files-handed-over");
}

} // namespace
