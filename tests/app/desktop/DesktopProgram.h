#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// The real desktop program (ZARTA_PROGRAM), started offscreen with its runtime folder in folder
// and its data folder in folder/data; killed and waited for when it goes. Owned by the test's
// thread.
class DesktopProgram : public QProcess {
public:
    explicit DesktopProgram(const QString& folder,
                            QProcess::ProcessChannelMode channels = QProcess::SeparateChannels) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", folder);
        environment.insert("XDG_DATA_HOME", folder + "/data");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        setProcessEnvironment(environment);
        setProcessChannelMode(channels);
        start(ZARTA_PROGRAM, QStringList());
    }
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;
    ~DesktopProgram() override {
        kill();
        waitForFinished();
    }
};
