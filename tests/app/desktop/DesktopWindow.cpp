#include "tests/app/desktop/DesktopWindow.h"

#include "app/desktop/CAboutDlg.h"
#include "app/ui/CEnterPassWordDlg.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/CListBoxEx.h"
#include "app/ui/Mnemonic.h"
#include "app/ui/SortedListBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace zarta;

void DesktopWindow::SetUp() {
    ASSERT_TRUE(root.isValid());
    QDir dir(root.path());
    ASSERT_TRUE(dir.mkdir("in") && dir.mkdir("out") && dir.mkdir("data"));
    inFolder = dir.filePath("in") + u'/';
    outFolder = dir.filePath("out") + u'/';
    dataFolder = dir.filePath("data");
    services = makeServices(dataFolder.toStdString());
    conversion = dynamic_cast<FakeConversion*>(services.get());
    window = std::make_unique<desktop::CZartaAllToPDFDlg>(*services);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QObject::connect(&modalWatcher_, &QTimer::timeout, [this] { answerModal(); });
    modalWatcher_.start(10);
}

std::unique_ptr<ConverterFactory> DesktopWindow::makeServices(const std::string& data) {
    return std::make_unique<FakeConversion>(data);
}

void DesktopWindow::TearDown() {
    modalWatcher_.stop();
    window.reset();
}

void DesktopWindow::answerModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* finish = qobject_cast<ui::CFinishDlg*>(modal)) {
        finishLists.push_back(finish->fileList()->strings());
        QStringList failures;
        if (finish->failedList()->isVisible()) {
            for (int row = 0; row < finish->failedList()->count(); ++row) {
                failures << finish->failedList()->item(row)->text();
            }
        }
        finishFailures.push_back(failures);
        finish->reject();
    } else if (auto* prompt = qobject_cast<ui::CEnterPassWordDlg*>(modal)) {
        passwordPrompts << prompt->fileName();
        passwordRetries.push_back(
            findControl<QWidget>(*prompt, ui::CEnterPassWordDlg::notAcceptedId)->isVisible());
        if (passwords.isEmpty()) {
            prompt->reject();
        } else {
            findControl<QLineEdit>(*prompt, ui::CEnterPassWordDlg::passwordId)
                ->setText(passwords.takeFirst());
            prompt->accept();
        }
    } else if (auto* about = qobject_cast<desktop::CAboutDlg*>(modal)) {
        ++aboutBoxes;
        about->accept();
    }
}

QString DesktopWindow::shownText(int id) const {
    return ui::Mnemonic::plain(control<QAbstractButton>(id)->text());
}

QStringList DesktopWindow::listed() const {
    return page().fileList()->strings();
}

QString DesktopWindow::document(const QString& name) const {
    QFile file(inFolder + name);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return file.fileName();
}

void DesktopWindow::choose(const QStringList& paths) {
    dialogs.files = paths;
    click(desktop::CConvertDlg::addFilesId);
}

void DesktopWindow::startBatch(const QStringList& names, bool hold) {
    QStringList paths;
    for (const QString& name : names) {
        paths << document(name);
    }
    choose(paths);
    control<QLineEdit>(desktop::CConvertDlg::destinationId)->setText(outFolder);
    if (conversion != nullptr) {
        conversion->pdf.holdOpen = hold;
    }
    click(desktop::CConvertDlg::convertId);
    ASSERT_TRUE(page().isConverting());
    if (hold) {
        ASSERT_TRUE(waitFor([this] { return conversion->pdf.started > 0; }));
    }
}

bool DesktopWindow::waitFor(const std::function<bool()>& condition, int milliseconds) {
    return QTest::qWaitFor(condition, milliseconds);
}
