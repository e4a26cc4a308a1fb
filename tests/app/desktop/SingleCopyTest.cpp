#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The real program, offscreen, with runtime and data folders of its own.
class Program : public QProcess {
public:
    explicit Program(const QString& folder) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", folder);
        environment.insert("XDG_DATA_HOME", folder + "/data");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        setProcessEnvironment(environment);
        setProcessChannelMode(QProcess::ForwardedErrorChannel);
        start(ZARTA_PROGRAM, QStringList());
    }
    ~Program() override {
        kill();
        waitForFinished();
    }
};

} // namespace

TEST(SingleCopy, ASecondCopyEndsAtOnceWithCodeZero) {
    QTemporaryDir folder;
    Program first(folder.path());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(folder.filePath("ZartaWordToPDF")); }, 10000));
    EXPECT_TRUE(QDir(folder.filePath("data/ZartaWordToPDF")).exists());

    QElapsedTimer took;
    took.start();
    Program second(folder.path());
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_EQ(first.state(), QProcess::Running);

    // A lock left behind by a copy that died keeps no one from starting.
    first.kill();
    ASSERT_TRUE(first.waitForFinished());
    Program third(folder.path());
    EXPECT_FALSE(third.waitForFinished(2000));
    EXPECT_EQ(third.state(), QProcess::Running);
}
