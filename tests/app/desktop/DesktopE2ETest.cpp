#include "app/ui/CBmpProgCtrl.h"
#include "platform/pipeline/OfficeConverterFactory.h"
#include "tests/app/desktop/DesktopWindow.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>

using namespace zarta;
using desktop::CConvertDlg;

namespace {

// The main window converting with the real office and Ghostscript.
class DesktopEndToEnd : public DesktopWindow {
protected:
    std::unique_ptr<ConverterFactory> makeServices(const std::string& data) override {
        return std::make_unique<OfficeConverterFactory>(data);
    }

    QStringList samples(const QStringList& names) {
        QStringList paths;
        for (const QString& name : names) {
            paths << inFolder + name;
            EXPECT_TRUE(QFile::copy(QString(ZARTA_SAMPLES_DIR) + "/" + name, paths.back()));
        }
        return paths;
    }

    void convert(const QStringList& names) {
        choose(samples(names));
        control<QLineEdit>(CConvertDlg::destinationId)->setText(outFolder);
        click(CConvertDlg::convertId);
    }

    // Processes of the program's: those whose command line names its data folder, and the
    // offices, which learn their profile in that folder from their environment.
    QStringList processesOfOurs() const {
        const QByteArray profile = "UserInstallation=file://" + dataFolder.toUtf8();
        QStringList found;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            QFile cmdline("/proc/" + pid + "/cmdline");
            QFile environment("/proc/" + pid + "/environ");
            if (pid.toInt() > 0 && cmdline.open(QIODevice::ReadOnly) &&
                (cmdline.readAll().contains(dataFolder.toUtf8()) ||
                 (environment.open(QIODevice::ReadOnly) &&
                  environment.readAll().contains(profile)))) {
                found << pid;
            }
        }
        return found;
    }
};

constexpr int batchTimeout = 5 * 60 * 1000;

int pageCount(const QString& pdf) {
    QProcess info;
    info.start("pdfinfo", {pdf});
    info.waitForFinished();
    for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("Pages:")) {
            return line.mid(6).trimmed().toInt();
        }
    }
    return 0;
}

} // namespace

TEST_F(DesktopEndToEnd, TwoSamplesThroughTheWindowToTwoPdfs) {
    convert({"welcome.docx", "menu.doc"});
    ASSERT_TRUE(waitFor([this] { return page().liveBatches() == 0; }, batchTimeout));
    EXPECT_EQ(status(), "Complete!");
    EXPECT_EQ(page().progressBar()->position(), 100);
    EXPECT_EQ(page().progressBar()->total(), 100);
    EXPECT_TRUE(page().progressBar()->isFilled());
    EXPECT_TRUE(boxes.requests.empty()) << boxes.texts().join(" | ").toStdString();

    ASSERT_TRUE(waitFor([this] { return !finishLists.empty(); }));
    EXPECT_EQ(finishLists[0], (QStringList{"menu.pdf", "welcome.pdf"}));
    for (const char* name : {"menu.pdf", "welcome.pdf"}) {
        EXPECT_GE(pageCount(outFolder + name), 1) << name;
    }
    EXPECT_EQ(QDir(outFolder).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"menu.pdf", "welcome.pdf"}));
    EXPECT_TRUE(waitFor([this] { return processesOfOurs().isEmpty(); }, 30000));
}

TEST_F(DesktopEndToEnd, ClosingDuringABatchLeavesNoOfficeBehind) {
    convert({"welcome.docx", "menu.doc", "bericht.docx"});
    // Closed in the middle: the first PDF is done, the office is at work on the next document.
    ASSERT_TRUE(waitFor([this] { return QFile::exists(outFolder + "bericht.pdf"); }, batchTimeout));
    ASSERT_FALSE(processesOfOurs().isEmpty());
    boxes.handler = [](const auto&) { return ui::MessageBoxes::Answer::Yes; };
    ASSERT_TRUE(window->close());
    window.reset();
    EXPECT_TRUE(waitFor([this] { return processesOfOurs().isEmpty(); }, 10000))
        << processesOfOurs().join(' ').toStdString();
    // Completed PDFs may be there; half-written ones (hidden while written) may not.
    EXPECT_EQ(QDir(outFolder).entryList(QDir::Files | QDir::Hidden),
              QDir(outFolder).entryList(QDir::Files));
}
