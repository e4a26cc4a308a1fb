#include "app/desktop/CZartaAllToPDFDlg.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Installation, PutsProgramHelpMenuEntryAndIconInTheirPlaces) {
    QTemporaryDir destination;
    QProcess install;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DESTDIR", destination.path());
    install.setProcessEnvironment(environment);
    install.start(CMAKE_COMMAND, {"--install", ZARTA_BUILD_DIR, "--prefix", "/usr"});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    const QString usr = destination.path() + "/usr";
    const QFileInfo program(usr + "/bin/ZartaWordToPDF");
    EXPECT_TRUE(program.isFile() && program.isExecutable());
    const QString help = usr + "/share/ZartaWordToPDF/Zarta Word To PDF - Help.html";
    EXPECT_TRUE(QFileInfo(help).isFile());
    EXPECT_TRUE(QFileInfo(usr + "/share/icons/hicolor/scalable/apps/ZartaWordToPDF.svg").isFile());
    // The installed program finds its help page.
    EXPECT_EQ(zarta::desktop::CZartaAllToPDFDlg::helpFilePath(usr + "/bin"), help);

    QFile entry(usr + "/share/applications/ZartaWordToPDF.desktop");
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split('\n');
    EXPECT_EQ(lines.value(0), "[Desktop Entry]");
    for (const char* line : {"Type=Application", "Name=Zarta Word To PDF", "Exec=ZartaWordToPDF %F",
                             "Icon=ZartaWordToPDF", "Terminal=false",
                             "MimeType=application/msword;application/"
                             "vnd.openxmlformats-officedocument.wordprocessingml.document;"}) {
        EXPECT_TRUE(lines.contains(line)) << line;
    }
}
