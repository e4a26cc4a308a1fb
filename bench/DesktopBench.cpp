// Prints how the desktop program's window keeps up while a batch of 20 documents runs (the
// longest lateness of a 5 ms timer on the user-interface thread; target under 50 ms) and how
// long the program takes from its start to its first shown window (target under 300 ms).
//
//   zarta_desktop_bench            a recording word processor and a PDF stage taking 100 ms
//   zarta_desktop_bench --office   the real office and Ghostscript on copies of samples/
#include "app/desktop/CConvertDlg.h"
#include "app/desktop/CZartaAllToPDFDlg.h"
#include "app/ui/CListBoxEx.h"
#include "engine/BatchControl.h"
#include "tests/support/FakeConversion.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedFileDialogs.h"
#ifdef ZARTA_WITH_OFFICE
#include "platform/pipeline/OfficeConverterFactory.h"
#endif

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

using namespace zarta;

namespace {

constexpr int documentCount = 20;
constexpr int tickMilliseconds = 5;

// Seconds since this process started, from the kernel's process table (10 ms resolution).
double processAge() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22 (start time in clock ticks) counts from the field after the command's ")".
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) {
        fields >> field;
    }
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return uptime - std::stod(field) / double(sysconf(_SC_CLK_TCK));
}

template <class Widget>
Widget* control(const QWidget& page, int id) {
    return page.findChild<Widget*>(QString::number(id));
}

} // namespace

int main(int argc, char** argv) {
    const double ageAtMain = processAge();
    QElapsedTimer sinceMain;
    sinceMain.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const bool office = application.arguments().contains("--office");

    QTemporaryDir root;
    QDir folder(root.path());
    folder.mkdir("in");
    folder.mkdir("out");
    const std::string dataFolder = folder.filePath("data").toStdString();
    std::unique_ptr<ConverterFactory> services;
    FakeConversion* fake = nullptr;
    if (office) {
#ifdef ZARTA_WITH_OFFICE
        services = std::make_unique<OfficeConverterFactory>(dataFolder);
#else
        std::fputs("built without the office provider\n", stderr);
        return 1;
#endif
    } else {
        auto fakeConversion = std::make_unique<FakeConversion>(dataFolder);
        fake = fakeConversion.get();
        fake->pdf.workMilliseconds = 100;
        services = std::move(fakeConversion);
    }

    auto window = std::make_unique<desktop::CZartaAllToPDFDlg>(*services);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) {
        std::fputs("the window was never shown\n", stderr);
        return 1;
    }
    const double startup = ageAtMain + double(sinceMain.nsecsElapsed()) / 1e9;
    std::printf("start-up to the first shown window: %.0f ms (of which before main: %.0f ms)\n",
                startup * 1000, ageAtMain * 1000);

    QStringList documents;
    const QStringList samples =
        QDir(ZARTA_SAMPLES_DIR).entryList({"*.doc", "*.docx"}, QDir::Files, QDir::Name);
    for (int i = 0; i < documentCount; ++i) {
        const QString name = QString("document-%1").arg(i, 2, 10, QChar('0'));
        if (office) {
            const QString sample = samples[i % samples.size()];
            documents << folder.filePath("in/" + name + "." + QFileInfo(sample).suffix());
            QFile::copy(QDir(ZARTA_SAMPLES_DIR).filePath(sample), documents.back());
        } else {
            documents << folder.filePath("in/" + name + ".docx");
            QFile(documents.back()).open(QIODevice::WriteOnly);
        }
    }
    RecordingMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    dialogs.files = documents;
    desktop::CConvertDlg& page = *window->convertPage();
    control<QAbstractButton>(page, desktop::CConvertDlg::addFilesId)->click();
    control<QLineEdit>(page, desktop::CConvertDlg::destinationId)
        ->setText(folder.filePath("out") + "/");

    qint64 longest = 0;
    qint64 total = 0;
    int ticks = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 lateness = sinceTick.nsecsElapsed() / 1000 - tickMilliseconds * 1000;
        sinceTick.start();
        longest = std::max(longest, lateness);
        total += std::max<qint64>(lateness, 0);
        ++ticks;
    });
    QElapsedTimer batch;
    batch.start();
    sinceTick.start();
    ticker.start(tickMilliseconds);
    control<QAbstractButton>(page, desktop::CConvertDlg::convertId)->click();
    // A plain event loop, as the program runs: nothing but the events and timers wakes it.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (page.liveBatches() == 0) {
            loop.quit();
        }
    });
    poll.start(50);
    loop.exec();
    ticker.stop();

    const int produced = int(QDir(folder.filePath("out")).entryList({"*.pdf"}).size());
    std::printf("batch of %d documents (%s): %.1f s, %d PDFs, status \"%s\"\n", documentCount,
                office ? "office and Ghostscript" : "recording word processor, 100 ms a PDF",
                double(batch.elapsed()) / 1000, produced, qPrintable(page.statusText()));
    std::printf("user-interface thread while converting: longest stall %.1f ms, mean lateness "
                "%.2f ms over %d ticks of %d ms\n",
                double(longest) / 1000, ticks ? double(total) / 1000 / ticks : 0.0, ticks,
                tickMilliseconds);
    if (!boxes.requests.empty()) {
        std::printf("messages shown: %s\n", qPrintable(boxes.texts().join(" | ")));
    }
    window.reset();
    return 0;
}
