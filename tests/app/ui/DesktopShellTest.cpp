#include "app/ui/DesktopShell.h"
#include "tests/support/QtPrinters.h"

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace zarta::ui;

namespace {

// The desktop shell with opening recorded instead of handed to the desktop.
class ShellWithoutOpening : public DesktopShell {
public:
    using DesktopShell::DesktopShell;
    void openUrl(const QUrl& url) override { opened.push_back(url); }
    std::vector<QUrl> opened;
};

// A file manager's D-Bus face: records the items it is asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

const QUrl folder = QUrl::fromLocalFile(QStringLiteral("/tmp/out/"));

} // namespace

// On a private message bus without service activation: first no file manager answers, then one
// does.
TEST(DesktopShell, ShowsTheFileThroughTheFileManagerOrOpensTheFolder) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("bus.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"(<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
        <auth>EXTERNAL</auth><policy context="default"><allow send_destination="*" eavesdrop="true"/>
        <allow eavesdrop="true"/><allow own="*"/></policy></busconfig>)");
    config.close();
    QProcess bus;
    bus.start(daemon, {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
    ASSERT_TRUE(bus.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
        ShellWithoutOpening shell(QDBusConnection::connectToBus(address, QStringLiteral("shell")));
        shell.showItem(QStringLiteral("/tmp/out/a.pdf"), folder.toLocalFile());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shell.opened.empty(); }));
        EXPECT_EQ(shell.opened, std::vector<QUrl>{folder});

        FakeFileManager fileManager;
        QDBusConnection managerBus = QDBusConnection::connectToBus(address, QStringLiteral("fm"));
        ASSERT_TRUE(managerBus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                              &fileManager, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(managerBus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        shell.opened.clear();
        shell.showItem(QStringLiteral("/tmp/out/Q3 report.pdf"), folder.toLocalFile());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fileManager.shown.isEmpty(); }));
        EXPECT_EQ(fileManager.shown, QStringList{"file:///tmp/out/Q3 report.pdf"});
        QTest::qWait(50);
        EXPECT_TRUE(shell.opened.empty());
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("shell"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fm"));
    bus.terminate();
    bus.waitForFinished(5000);
}

#include "DesktopShellTest.moc"
