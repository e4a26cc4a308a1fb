// The add-in host inside LibreOffice Writer, with the office's GTK interface on a private X
// server and session bus: registered add-ins are loaded at office start and ended at office end,
// and the real add-in's button converts the document in front. The office is driven the way a
// screen reader's user drives it (over AT-SPI, by the controls' names), the add-in's dialog by
// keys.

#include "platform/office/OfficeProcess.h"
#include "platform/registry/Registry.h"
#include "tests/support/RegisterModule.h"
#include "tests/support/TempDir.h"
#include "tests/support/WindowManager.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

std::string run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return process.readAllStandardOutput().toStdString();
}

// How long the office may take to show a control or to end: a real office on a machine busy
// with other builds can take many times as long as on an idle one.
constexpr int officeSeconds = 90;

// Waits while handling the test's own X events: it owns the clipboard in some tests, and the
// office asks it for the contents.
bool waitFor(const std::function<bool()>& condition, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        for (int slice = 0; slice < 4; ++slice) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return condition();
}

// Visible windows whose title matches the pattern, as X window ids.
QStringList windows(const QString& pattern) {
    const QString found =
        QString::fromStdString(run("xdotool", {"search", "--onlyvisible", "--name", pattern}));
    return found.split('\n', Qt::SkipEmptyParts);
}

void screenshot(const QString& name) {
    QDir().mkpath(QStringLiteral(ZARTA_SCREENSHOT_DIR));
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    EXPECT_FALSE(screen.isNull());
    screen.save(QStringLiteral(ZARTA_SCREENSHOT_DIR "/writer-host-") + name + ".png");
}

// Does the first action (press, click) of the office's control with that role and name, in
// the window whose title starts with `window` when given.
bool act(const QString& role, const QString& name, const QString& window = {}) {
    QStringList arguments{ZARTA_ATSPI_ACTION, "soffice", role, name};
    if (!window.isEmpty()) {
        arguments << window;
    }
    QProcess action;
    action.start("/usr/bin/python3", arguments);
    return action.waitForFinished(30000) && action.exitCode() == 0;
}

// Where the office's control with that role and name is on the screen; empty when not found.
QRect placeOf(const QString& role, const QString& name) {
    const QStringList box =
        QString::fromStdString(
            run("/usr/bin/python3", {ZARTA_ATSPI_ACTION, "soffice", role, name, "--extents"}))
            .split(' ', Qt::SkipEmptyParts);
    return box.size() == 4 ? QRect(box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt())
                           : QRect();
}

// How many pixels of that part of the screen are of the add-in's red (its button's face).
int redPixels(const QRect& area) {
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
    int count = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QColor pixel = shown.pixelColor(x, y);
            count += pixel.red() > 150 && pixel.green() < 100 && pixel.blue() < 100 ? 1 : 0;
        }
    }
    return count;
}

bool processRunning(const QString& pattern) {
    return !run("pgrep", {"-f", pattern}).empty();
}

// Writer with its GTK interface, a private profile, the host extension as a bundled extension
// and the registry in the test's folder. Ended by quit() as a user ends it (Ctrl+Q), or killed
// by the destructor.
class Writer {
public:
    Writer(const TempDir& dir, const QStringList& documents, bool conversionOffice = false)
        : profile_(QString::fromStdString(dir.file("profile"))) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (conversionOffice) {
            environment.insert(OfficeProcess::noAddinsVariable, "1");
        }
        environment.insert("SAL_USE_VCLPLUGIN", "gtk3");
        environment.insert(Registry::relocationVariable,
                           QString::fromStdString(dir.file("registry")));
        environment.insert("XDG_DATA_HOME", QString::fromStdString(dir.file("data")));
        environment.insert("ZARTA_TEST_ADDIN_LOG", QString::fromStdString(dir.file("calls.log")));
        office_.setProcessEnvironment(environment);
        office_.setStandardOutputFile(QString::fromStdString(dir.file("office.log")));
        office_.setStandardErrorFile(QString::fromStdString(dir.file("office.log")));
        QStringList arguments{"--writer", "--norestore", "--nologo",
                              "-env:UserInstallation=file://" + profile_,
                              "-env:BUNDLED_EXTENSIONS=file://" ZARTA_WRITERHOST_EXTENSIONS};
        office_.start("soffice", arguments + documents);
    }
    ~Writer() {
        if (office_.state() != QProcess::NotRunning) {
            office_.kill();
            office_.waitForFinished(10000);
        }
        run("pkill", {"-f", "soffice.bin.*" + profile_});
    }

    // The Writer window, once shown.
    QString window(int seconds = 90) const {
        QString found;
        waitFor(
            [&] {
                const QStringList all = windows(" - LibreOffice Writer$");
                found = all.isEmpty() ? QString() : all.first();
                return !found.isEmpty();
            },
            seconds);
        return found;
    }

    // Ends the office with File > Exit LibreOffice; true once it has ended. A busy office on a
    // loaded machine may not show the item at the first look, or be slow to end.
    bool quit() {
        if (office_.state() == QProcess::NotRunning) {
            return false; // ended before it was asked to
        }
        // An earlier look may have chosen the item and been cut off before it said so.
        if (!waitFor(
                [&] {
                    return office_.state() == QProcess::NotRunning ||
                           act("menu item", "Exit LibreOffice");
                },
                officeSeconds)) {
            return false;
        }
        if (office_.state() == QProcess::NotRunning ||
            office_.waitForFinished(officeSeconds * 1000)) {
            return true;
        }
        // Kept for the review of a failure: what the office shows instead of ending.
        screenshot("quit-refused");
        return false;
    }

private:
    QString profile_;
    QProcess office_;
};

std::string clsidNumbered(int number) {
    char text[64];
    std::snprintf(text, sizeof text, "{5A17A000-0000-4000-8000-0000000000%02X}", number);
    return text;
}

class WriterHost : public ::testing::Test {
protected:
    WriterHost() : registry(dir.file("registry"), dir.file("registry")) {
        fs::create_directories(dir.file("Docs"));
    }

    void add(const std::string& progId, int loadBehavior, const std::string& clsid,
             const std::string& module) {
        registry.edit(RegistryHive::CurrentUser, [&](RegistryKey& root) {
            RegistryKey& key = root.create("Software\\Microsoft\\Office\\Word\\Addins\\" + progId);
            key.setDword("LoadBehavior", std::uint32_t(loadBehavior));
            key.setDword("CommandLineSafe", 1);
        });
        registry.edit(RegistryHive::ClassesRoot, [&](RegistryKey& root) {
            root.create(progId + "\\CLSID").setString("", clsid);
            root.create("CLSID\\" + clsid + "\\InprocServer32").setString("", module);
        });
    }
    // Registers the real add-in module in the test's registry, as zarta-regsvr does.
    void registerRealAddin() {
        ASSERT_EQ(registerModule(ZARTA_PLOVRA_MODULE, dir.file("registry")), com::S_OK);
    }
    bool connected() const {
        return TempDir::read(dir.file("office.log"))
                   .find("The add-in ZartaWordToPDF.WordAddin is connected") != std::string::npos;
    }
    std::string calls() const {
        return fs::exists(dir.file("calls.log")) ? TempDir::read(dir.file("calls.log")) : "";
    }

    TempDir dir;
    Registry registry;
};

TEST_F(WriterHost, RegisteredAddinsAreConnectedAtStartAndEndedWithTheOfficeBrokenOnesSkipped) {
    add("Test.Good", 3, clsidNumbered(1), ZARTA_RECORDING_ADDIN);
    add("Test.Off", 2, clsidNumbered(3), ZARTA_RECORDING_ADDIN);
    add("Test.Failing", 3, clsidNumbered(2), ZARTA_RECORDING_ADDIN);
    add("Test.Missing", 3, clsidNumbered(4), "/nowhere/Missing.so");
    add("Test.NoEntry", 3, clsidNumbered(5), ZARTA_NO_ENTRY_MODULE);
    {
        Writer writer(dir, {});
        ASSERT_FALSE(writer.window().isEmpty()) << TempDir::read(dir.file("office.log"));
        ASSERT_TRUE(
            waitFor([&] { return calls().find("1 OnConnection") != std::string::npos; }, 30));
        const std::string log = TempDir::read(dir.file("office.log"));
        for (const char* reported :
             {"The add-in Test.Failing is not loaded: OnConnection failed",
              "The add-in Test.Missing is not loaded: its module cannot be loaded",
              "The add-in Test.NoEntry is not loaded: its module"}) {
            EXPECT_NE(log.find(reported), std::string::npos) << reported << "\n" << log;
        }
        EXPECT_TRUE(writer.quit());
    }
    // The add-in list is read in name order: Test.Failing, Test.Good, ...
    EXPECT_EQ(calls(), "2 OnConnection application=yes mode=1 instance=yes\n"
                       "2 released\n"
                       "0 DllCanUnloadNow\n"
                       "1 OnConnection application=yes mode=1 instance=yes\n"
                       "1 OnBeginShutdown\n"
                       "1 OnDisconnection mode=0\n"
                       "1 released\n"
                       "0 DllCanUnloadNow\n");
    // The office stored no toolbar of the host in its profile.
    EXPECT_EQ(run("grep", {"-rl", "custom_zartahost", QString::fromStdString(dir.file("profile"))}),
              "");
}

TEST_F(WriterHost, AnOfficeOfTheProgramsOwnConversionsRunsNoAddins) {
    add("Test.Good", 3, clsidNumbered(1), ZARTA_RECORDING_ADDIN);
    Writer writer(dir, {}, true);
    ASSERT_FALSE(writer.window().isEmpty()) << TempDir::read(dir.file("office.log"));
    QThread::sleep(5);
    EXPECT_TRUE(writer.quit());
    EXPECT_EQ(calls(), "");
}

TEST_F(WriterHost, TheAddinsButtonConvertsTheDocumentInFront) {
    ASSERT_NO_FATAL_FAILURE(registerRealAddin());
    fs::copy_file(std::string(ZARTA_SAMPLES_DIR) + "/welcome.docx", dir.file("Docs/Welcome.docx"));
    const QString userWords = QStringLiteral("The user's own words");
    QGuiApplication::clipboard()->setText(userWords);

    Writer writer(dir, {QString::fromStdString(dir.file("Docs/Welcome.docx"))});
    const QString main = writer.window();
    ASSERT_FALSE(main.isEmpty()) << TempDir::read(dir.file("office.log"));
    ASSERT_TRUE(waitFor([&] { return connected(); }, 60)) << TempDir::read(dir.file("office.log"));

    // The button shows the add-in's picture beside its caption, and the clipboard the picture
    // went through holds the user's words again.
    QRect button;
    ASSERT_TRUE(waitFor(
        [&] {
            button = placeOf("push button", "Zarta Word To PDF");
            return button.width() > 0;
        },
        30));
    // The office reports its toolbar controls' places without the height of the window's menu
    // bar above them, so the band below the button is looked at too.
    const QRect band(button.x(), button.y(), button.width(), button.height() * 3);
    EXPECT_TRUE(waitFor([&] { return redPixels(band) >= 20; }, 10)) << "no face on the button";
    EXPECT_TRUE(waitFor([&] { return QGuiApplication::clipboard()->text() == userWords; }, 10))
        << QGuiApplication::clipboard()->text().toStdString() << "\n"
        << TempDir::read(dir.file("office.log"));

    // The toolbar and its button, found by their names, as a screen reader finds them. Ten
    // clicks in a row, each dialog closed again, leave the office working.
    for (int click = 0; click < 10; ++click) {
        ASSERT_TRUE(waitFor([] { return act("push button", "Zarta Word To PDF"); }, 30));
        ASSERT_TRUE(waitFor([] { return windows("^Zarta Word To PDF$").size() == 1; }, 30))
            << "click " << click;
        const QString shown = windows("^Zarta Word To PDF$").first();
        run("xdotool", {"windowfocus", "--sync", shown});
        run("xdotool", {"key", "Escape"});
        ASSERT_TRUE(waitFor([] { return !processRunning("zarta-addin-dialog"); }, 30))
            << "click " << click;
    }
    ASSERT_TRUE(waitFor([] { return act("push button", "Zarta Word To PDF"); }, 30));
    ASSERT_TRUE(waitFor([] { return windows("^Zarta Word To PDF$").size() == 1; }, 30))
        << TempDir::read(dir.file("office.log"));
    screenshot("1-toolbar-and-dialog");
    const QString dialog = windows("^Zarta Word To PDF$").first();
    run("xdotool", {"windowfocus", "--sync", dialog});
    run("xdotool", {"key", "Return"});

    // The completion dialog comes once the PDF is written; "&No", then the dialog is closed.
    EXPECT_TRUE(waitFor([] { return windows("^Zarta Word To PDF$").size() == 2; }, 180));
    screenshot("2-complete");
    EXPECT_NE(run("pdfinfo", {QString::fromStdString(dir.file("Docs/Welcome.pdf"))}).find("Pages:"),
              std::string::npos);
    // Escape answers the completion dialog, then closes the convert dialog (this display has no
    // window manager to say which of them has the focus).
    EXPECT_TRUE(waitFor(
        [] {
            for (const QString& window : windows("^Zarta Word To PDF$")) {
                run("xdotool", {"windowfocus", "--sync", window});
                run("xdotool", {"key", "Escape"});
            }
            QThread::msleep(500);
            return !processRunning("zarta-addin-dialog");
        },
        30));
    EXPECT_TRUE(writer.quit());
}

// A window opened later gets the toolbar too, and its button works on the document in that
// window, which has never been saved: the dialog is given its title, a name without a folder.
TEST_F(WriterHost, ANewWindowGetsTheButtonForItsNeverSavedDocument) {
    ASSERT_NO_FATAL_FAILURE(registerRealAddin());
    Writer writer(dir, {});
    const QString first = writer.window();
    ASSERT_FALSE(first.isEmpty()) << TempDir::read(dir.file("office.log"));
    ASSERT_TRUE(waitFor([&] { return connected(); }, 60)) << TempDir::read(dir.file("office.log"));

    ASSERT_TRUE(waitFor([] { return act("menu item", "Text Document"); }, officeSeconds));
    ASSERT_TRUE(
        waitFor([] { return windows("^Untitled 2 - LibreOffice Writer$").size() == 1; }, 60));
    ASSERT_TRUE(waitFor([] { return act("push button", "Zarta Word To PDF", "Untitled 2"); }, 30));
    ASSERT_TRUE(waitFor([] { return windows("^Zarta Word To PDF$").size() == 1; }, 30));
    EXPECT_NE(run("pgrep", {"-af", "zarta-addin-dialog"}).find("--document Untitled 2"),
              std::string::npos)
        << run("pgrep", {"-af", "zarta-addin-dialog"});
    screenshot("3-new-window");
    run("xdotool", {"windowfocus", "--sync", windows("^Zarta Word To PDF$").first()});
    run("xdotool", {"key", "Escape"});
    EXPECT_TRUE(waitFor([] { return !processRunning("zarta-addin-dialog"); }, 30));
    EXPECT_TRUE(writer.quit());
}

// The window's client area on the screen.
QRect placeOfWindow(const QString& window) {
    const QString info = QString::fromStdString(run("xwininfo", {"-id", window}));
    const auto number = [&info](const QString& field) {
        const qsizetype at = info.indexOf(field);
        return at < 0 ? -1 : info.mid(at + field.size()).section(u'\n', 0, 0).trimmed().toInt();
    };
    return QRect(number("Absolute upper-left X:"), number("Absolute upper-left Y:"),
                 number("Width:"), number("Height:"));
}

// The window the window is a transient of; 0 when none.
quint32 transientFor(const QString& window) {
    const QString line =
        QString::fromStdString(run("xprop", {"-id", window, "-notype", "WM_TRANSIENT_FOR"}));
    const qsizetype at = line.indexOf(u'#');
    return at < 0 ? 0 : line.mid(at + 1).trimmed().toUInt(nullptr, 16);
}

// Where on the screen the add-in's face shows on its button: the middle of its red pixels
// within the area; a null point when none show.
QPoint faceIn(const QRect& area) {
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
    qint64 xs = 0;
    qint64 ys = 0;
    qint64 count = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QColor pixel = shown.pixelColor(x, y);
            if (pixel.red() > 150 && pixel.green() < 100 && pixel.blue() < 100) {
                xs += x;
                ys += y;
                ++count;
            }
        }
    }
    return count < 20 ? QPoint() : area.topLeft() + QPoint(int(xs / count), int(ys / count));
}

// On a 1366 x 768 screen with a window manager, as a user with a laptop meets it: the dialog of
// a document with unsaved changes says so, fits the screen, stays above the Writer window that
// opened it, and a further click on the button, with the mouse or through a screen reader,
// brings it to the front when another window covers it, without opening a second one.
TEST_F(WriterHost, TheDialogFitsTheScreenStaysAboveWriterAndASecondClickBringsItToTheFront) {
    WindowManager manager;
    ASSERT_NO_FATAL_FAILURE(registerRealAddin());
    fs::copy_file(std::string(ZARTA_SAMPLES_DIR) + "/welcome.docx", dir.file("Docs/Welcome.docx"));
    Writer writer(dir, {QString::fromStdString(dir.file("Docs/Welcome.docx"))});
    const QString main = writer.window();
    ASSERT_FALSE(main.isEmpty()) << TempDir::read(dir.file("office.log"));
    ASSERT_TRUE(waitFor([&] { return connected(); }, 60)) << TempDir::read(dir.file("office.log"));

    // An edit the file does not have.
    run("xdotool", {"windowactivate", "--sync", main});
    run("xdotool", {"type", "--delay", "50", "Unsaved words "});
    QRect button;
    ASSERT_TRUE(waitFor(
        [&] {
            button = placeOf("push button", "Zarta Word To PDF");
            return button.width() > 0;
        },
        30));
    // The office reports its toolbar controls' places without the height of the menu bar and
    // the window manager's title bar above them, so the band below the button is looked at too.
    const QPoint face = faceIn(QRect(button.x(), button.y(), button.width(), button.height() * 4));
    ASSERT_FALSE(face.isNull()) << "no face on the button";

    ASSERT_TRUE(waitFor([] { return act("push button", "Zarta Word To PDF"); }, 30));
    ASSERT_TRUE(waitFor([] { return windows("^Zarta Word To PDF$").size() == 1; }, 30))
        << TempDir::read(dir.file("office.log"));
    const QString dialog = windows("^Zarta Word To PDF$").first();
    const std::string helper = run("pgrep", {"-af", "zarta-addin-dialog"});
    EXPECT_NE(helper.find("--unsaved-changes"), std::string::npos) << helper;
    EXPECT_NE(helper.find("--host-window " + main.toStdString()), std::string::npos)
        << helper << " Writer's window: " << main.toStdString();
    QThread::sleep(1);
    screenshot("5-unsaved-and-fitted");

    // Whole on the screen, the window manager's frame included.
    const QRect shown = placeOfWindow(dialog);
    EXPECT_GT(shown.top(), 0);
    EXPECT_LE(shown.bottom(), 767) << shown.y() << "+" << shown.height();
    EXPECT_GT(shown.height(), 400);

    // Kept above the Writer window that opened it, also when that window is activated.
    EXPECT_EQ(transientFor(dialog), main.toUInt());
    run("xdotool", {"windowactivate", "--sync", main});
    QThread::msleep(500);
    QList<quint32> stack = WindowManager::stacking();
    EXPECT_GT(stack.indexOf(dialog.toUInt()), stack.indexOf(main.toUInt()));

    // Another program's window covers the dialog (not the toolbar); a click on the button
    // brings the dialog in front of it, and opens no second one.
    QWindow other;
    other.setTitle(QStringLiteral("Another program"));
    other.setGeometry(0, 200, 1366, 560);
    other.show();
    ASSERT_TRUE(waitFor([] { return windows("^Another program$").size() == 1; }, 10));
    const QString covering = windows("^Another program$").first();
    run("xdotool", {"windowactivate", "--sync", covering});
    ASSERT_TRUE(waitFor(
        [&] {
            stack = WindowManager::stacking();
            return stack.indexOf(covering.toUInt()) > stack.indexOf(dialog.toUInt());
        },
        10));
    screenshot("6-covered");
    run("xdotool", {"mousemove", "--sync", QString::number(face.x()), QString::number(face.y()),
                    "click", "1"});
    EXPECT_TRUE(waitFor(
        [&] {
            stack = WindowManager::stacking();
            return !stack.isEmpty() && stack.last() == dialog.toUInt();
        },
        10))
        << "stack " << QString::number(stack.indexOf(dialog.toUInt())).toStdString();
    EXPECT_EQ(run("pgrep", {"-c", "-f", "zarta-addin-dialog"}), "1\n");
    screenshot("7-brought-to-the-front");

    // Writer keeps answering a screen reader while the dialog is open: its user can press the
    // button again to find the dialog.
    run("xdotool", {"windowactivate", "--sync", covering});
    EXPECT_TRUE(waitFor([] { return act("push button", "Zarta Word To PDF"); }, 60));
    EXPECT_TRUE(waitFor(
        [&] {
            stack = WindowManager::stacking();
            return !stack.isEmpty() && stack.last() == dialog.toUInt();
        },
        10));
    EXPECT_EQ(run("pgrep", {"-c", "-f", "zarta-addin-dialog"}), "1\n");

    run("xdotool", {"windowactivate", "--sync", dialog});
    run("xdotool", {"key", "Escape"});
    EXPECT_TRUE(waitFor([] { return !processRunning("zarta-addin-dialog"); }, 30));
}

// The dialog's helper program brings its dialog to the front for each line on its standard
// input (the add-in writes one for a further click on its button), from behind another window
// and when minimised.
TEST_F(WriterHost, TheHelperBringsItsDialogToTheFrontWhenAsked) {
    WindowManager manager;
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(Registry::relocationVariable, QString::fromStdString(dir.file("registry")));
    environment.insert("XDG_DATA_HOME", QString::fromStdString(dir.file("data")));
    helper.setProcessEnvironment(environment);
    helper.start(
        ZARTA_ADDIN_DIALOG,
        {"--document", QString::fromStdString(dir.file("Docs/Report.docx")), "--raise-on-input"});
    ASSERT_TRUE(waitFor([] { return windows("^Zarta Word To PDF$").size() == 1; }, 30));
    const quint32 dialog = windows("^Zarta Word To PDF$").first().toUInt();
    const auto onTop = [dialog] {
        const QList<quint32> stack = WindowManager::stacking();
        return !stack.isEmpty() && stack.last() == dialog;
    };
    const auto raised = [&](const char* from) {
        SCOPED_TRACE(from);
        helper.write("raise\n");
        EXPECT_TRUE(
            waitFor([&] { return onTop() && windows("^Zarta Word To PDF$").size() == 1; }, 10));
    };

    QWindow other;
    other.setTitle(QStringLiteral("Another program"));
    other.setGeometry(0, 0, 1366, 768);
    other.show();
    ASSERT_TRUE(waitFor([] { return windows("^Another program$").size() == 1; }, 10));
    run("xdotool", {"windowactivate", "--sync", windows("^Another program$").first()});
    ASSERT_TRUE(waitFor([&] { return !onTop(); }, 10));
    raised("behind another window");

    run("xdotool", {"windowminimize", "--sync", QString::number(dialog)});
    ASSERT_TRUE(waitFor([] { return windows("^Zarta Word To PDF$").isEmpty(); }, 10));
    raised("minimised");
    screenshot("8-helper-raised");

    helper.closeWriteChannel();
    run("xdotool", {"windowactivate", "--sync", QString::number(dialog)});
    run("xdotool", {"key", "Escape"});
    EXPECT_TRUE(helper.waitForFinished(30000));
}

// What a user does after installing the program, as in the README: registers the add-in module
// and adds the extension to their own office with the office's extension tool, then starts
// Writer, which connects the add-in; and removes the extension again. Run as a normal user (the
// extension tool refuses per-user installs for root), with a home folder of its own.
TEST_F(WriterHost, AUserAddsTheExtensionForThemselvesAndWriterConnectsTheAddin) {
    const bool root = ::geteuid() == 0;
    const std::string home = dir.file("home");
    const std::string profile = home + "/office";
    fs::create_directories(home);
    fs::copy_file(ZARTA_PLOVRA_MODULE, dir.file("Plovra.so"));
    fs::copy_file(ZARTA_WRITERHOST_PACKAGE, dir.file("ZartaWordHost.oxt"));
    QStringList asUser;
    if (root) {
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
        ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
        asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    QProcessEnvironment environment;
    environment.insert("HOME", QString::fromStdString(home));
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));
    environment.insert("SAL_USE_VCLPLUGIN", "gtk3");
    QStringList userInstallation{"-env:UserInstallation=file://" + QString::fromStdString(profile)};
    if (root) {
        // An office run by root (as the other tests run it) makes the system's cache of shared
        // extensions private to root, which keeps every normal user's extension tool from
        // starting; the user here gets an empty one of their own instead.
        fs::create_directories(home + "/shared-extensions");
        ASSERT_EQ(::chown((home + "/shared-extensions").c_str(), 65534, 65534), 0);
        userInstallation << "-env:UNO_SHARED_PACKAGES_CACHE=file://" +
                                QString::fromStdString(home + "/shared-extensions");
    }
    const auto runAsUser = [&](const QStringList& command) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList whole = asUser + command;
        process.start(whole.first(), whole.mid(1));
        process.waitForFinished(120000);
        return std::make_pair(process.exitCode(), process.readAll().toStdString());
    };
    const auto registered =
        runAsUser({ZARTA_REGSVR, QString::fromStdString(dir.file("Plovra.so"))});
    ASSERT_EQ(registered.first, 0) << registered.second;
    const auto added =
        runAsUser(QStringList{"unopkg", "add", "--suppress-license"} + userInstallation +
                  QStringList{QString::fromStdString(dir.file("ZartaWordHost.oxt"))});
    ASSERT_EQ(added.first, 0) << added.second;
    const QStringList list = QStringList{"unopkg", "list"} + userInstallation;
    EXPECT_NE(runAsUser(list).second.find("com.zarta.wordhost"), std::string::npos);

    {
        QProcess office;
        office.setProcessEnvironment(environment);
        office.setStandardOutputFile(QString::fromStdString(dir.file("office.log")));
        office.setStandardErrorFile(QString::fromStdString(dir.file("office.log")));
        const QStringList command = asUser +
                                    QStringList{"soffice", "--writer", "--norestore", "--nologo"} +
                                    userInstallation;
        office.start(command.first(), command.mid(1));
        EXPECT_TRUE(waitFor([&] { return connected(); }, 90))
            << TempDir::read(dir.file("office.log"));
        EXPECT_TRUE(waitFor([] { return windows(" - LibreOffice Writer$").size() == 1; }, 60));
        QThread::sleep(2);
        screenshot("4-added-by-the-user");
        run("pkill", {"-f", "soffice.bin.*" + QString::fromStdString(profile)});
        EXPECT_TRUE(office.waitForFinished(30000));
    }

    const auto removed = runAsUser(QStringList{"unopkg", "remove"} + userInstallation +
                                   QStringList{"com.zarta.wordhost"});
    EXPECT_EQ(removed.first, 0) << removed.second;
    EXPECT_EQ(runAsUser(list).second.find("com.zarta.wordhost"), std::string::npos);
}

} // namespace
