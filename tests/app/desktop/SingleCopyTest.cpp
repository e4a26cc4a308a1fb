#include "tests/app/desktop/DesktopProgram.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(SingleCopy, ASecondCopyEndsAtOnceWithCodeZero) {
    QTemporaryDir folder;
    DesktopProgram first(folder.path(), QProcess::ForwardedErrorChannel);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(folder.filePath("ZartaWordToPDF")); }, 10000));
    EXPECT_TRUE(QDir(folder.filePath("data/ZartaWordToPDF")).exists());

    QElapsedTimer took;
    took.start();
    DesktopProgram second(folder.path(), QProcess::ForwardedErrorChannel);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_EQ(first.state(), QProcess::Running);

    // A later copy given files hands them to the running one and ends with code zero.
    QProcess handing;
    handing.setProcessEnvironment(second.processEnvironment());
    handing.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    handing.start(ZARTA_PROGRAM, {folder.filePath("Report.docx")});
    ASSERT_TRUE(handing.waitForFinished(10000));
    EXPECT_EQ(handing.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // A lock left behind by a copy that died keeps no one from starting.
    first.kill();
    ASSERT_TRUE(first.waitForFinished());
    DesktopProgram third(folder.path(), QProcess::ForwardedErrorChannel);
    EXPECT_FALSE(third.waitForFinished(2000));
    EXPECT_EQ(third.state(), QProcess::Running);
}
