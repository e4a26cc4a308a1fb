// What the real program does with its data folder before it shows its window.
#include "tests/app/desktop/DesktopProgram.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(StartUp, WorkFoldersOfDeadRunsGoWhileOneInUseStays) {
    QTemporaryDir folder;
    const QString data = folder.filePath("data/ZartaWordToPDF");
    ASSERT_TRUE(QDir().mkpath(data + "/conversion-dead00"));
    ::chmod(QFile::encodeName(folder.filePath("data")).constData(), 0700);
    ::chmod(QFile::encodeName(data).constData(), 0700);
    QFile print(data + "/conversion-dead00/tmp.ps");
    ASSERT_TRUE(print.open(QIODevice::WriteOnly));
    print.write("the whole document");
    print.close();
    // A conversion of another running copy holds its folder's lock.
    ASSERT_TRUE(QDir().mkpath(data + "/conversion-inuse0"));
    const int held =
        ::open(QFile::encodeName(data + "/conversion-inuse0").constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    DesktopProgram program(folder.path());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !QDir(data + "/conversion-dead00").exists(); }, 10000));
    EXPECT_TRUE(QDir(data + "/conversion-inuse0").exists());
    EXPECT_EQ(program.state(), QProcess::Running);
    ::close(held);
}

TEST(StartUp, ADataFolderOthersCanWriteIsRefusedWithTheReason) {
    QTemporaryDir folder;
    const QString data = folder.filePath("data/ZartaWordToPDF");
    ASSERT_TRUE(QDir().mkpath(data));
    ::chmod(QFile::encodeName(data).constData(), 0777);

    DesktopProgram program(folder.path());
    QByteArray errors;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            errors += program.readAllStandardError();
            return errors.contains("has mode 0777");
        },
        10000))
        << errors.constData();
    // It stops before it takes the single-copy lock or writes anything.
    EXPECT_FALSE(QFile::exists(folder.filePath("ZartaWordToPDF")));
    EXPECT_TRUE(QDir(data).isEmpty());
}

} // namespace
