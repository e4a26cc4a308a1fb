// A click on the add-in's button in the test host converts the active document with the real
// office and Ghostscript, through the convert dialog run in-process.

#include "addin/CWordAddin.h"
#include "addin/dialog/CConvertDlg.h"
#include "addin/dialog/InProcessDialogRunner.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "host/wordhost/WordHostIds.h"
#include "platform/clipboard/QtClipboard.h"
#include "platform/com/ComModule.h"
#include "platform/pipeline/OfficeConverterFactory.h"
#include "platform/registry/Registry.h"
#include "tests/addin/dialog/AddinDialogWatcher.h"
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/RecordingShell.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"
#include "tests/support/TestWordHost.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarta;
using namespace zarta::addin;
using namespace zarta::com;
using namespace zarta::wordhost;
namespace fs = std::filesystem;

namespace {

// The output of a command-line tool.
std::string run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput().toStdString();
}

class AddinEndToEnd : public ::testing::Test {
protected:
    AddinEndToEnd() {
        ::setenv(Registry::relocationVariable, dir.file("registry").c_str(), 1);
        fs::create_directories(dir.file("Docs"));
        ComPtr<IDTExtensibility2> made;
        EXPECT_EQ(CWordAddin::create(module, {clipboard, &runner}, nullptr, IID_IDTExtensibility2,
                                     made.putVoid()),
                  S_OK);
        addin = made;
        EXPECT_EQ(addin->OnConnection(host.application(), 0, nullptr, nullptr), S_OK);
    }
    ~AddinEndToEnd() override {
        addin->OnDisconnection(0, nullptr);
        ::unsetenv(Registry::relocationVariable);
    }

    // Clicks the button with the document active; the watcher drives the dialog.
    void click(const std::string& document) {
        host.setActiveDocument(document);
        EXPECT_EQ(host.click(), S_OK);
    }
    std::string doc(const std::string& name) const { return dir.file("Docs/" + name); }

    TempDir dir;
    ComModule module;
    QtClipboard clipboard;
    OfficeConverterFactory services{dir.file("data")};
    InProcessDialogRunner runner{services, QStringLiteral("Plovra")};
    TestWordHost host;
    ComPtr<IDTExtensibility2> addin;
    RecordingMessageBoxes boxes;
    RecordingShell shell;
    AddinDialogWatcher watcher;
};

TEST_F(AddinEndToEnd, AClickConvertsTheDocumentWithSecurityAndDocumentInformation) {
    fs::copy_file(std::string(ZARTA_SAMPLES_DIR) + "/welcome.docx", doc("Welcome.docx"));
    watcher.answerYes = true;
    watcher.onConvertDialog = [](CConvertDlg& dialog) {
        auto* tabs = findControl<ui::CTabCtrlEx>(dialog, CConvertDlg::tabsId);
        const auto& describe = ui::CDescriptionDlg::ids(ui::UiVariant::AddIn);
        auto* description = tabs->findChild<ui::CDescriptionDlg*>();
        findControl<QLineEdit>(*description, describe.title)->setText(QStringLiteral("Grüße"));
        findControl<QLineEdit>(*description, describe.author)->setText(QStringLiteral("Ada"));
        tabs->tabBar()->setCurrentIndex(1);
        const auto& secure = ui::CSecurityDlg::ids(ui::UiVariant::AddIn);
        auto* security = tabs->findChild<ui::CSecurityDlg*>();
        findControl<QCheckBox>(*security, secure.enableSecurity)->click();
        findControl<QCheckBox>(*security, secure.enableUserPassword)->click();
        findControl<QLineEdit>(*security, secure.ownerPassword)->setText(QStringLiteral("owner"));
        findControl<QPushButton>(dialog, CConvertDlg::convertId)->click();
    };
    click(doc("Welcome.docx"));

    EXPECT_TRUE(boxes.requests.empty()) << boxes.texts().join(" | ").toStdString();
    EXPECT_EQ(watcher.completions, 1);
    const std::string pdf = doc("Welcome.pdf");
    ASSERT_TRUE(fs::exists(pdf));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], QUrl::fromLocalFile(QString::fromStdString(pdf)));
    const std::string info = run("pdfinfo", {QString::fromStdString(pdf)});
    EXPECT_NE(info.find("Title:           Grüße"), std::string::npos) << info;
    EXPECT_NE(info.find("Author:          Ada"), std::string::npos) << info;
    const std::string encryption = run("qpdf", {"--show-encryption", QString::fromStdString(pdf)});
    EXPECT_NE(encryption.find("print low resolution: not allowed"), std::string::npos)
        << encryption;
    EXPECT_NE(encryption.find("User password = \n"), std::string::npos) << encryption;
    // Nothing of the run is left in the data folder's work area.
    for (const auto& entry : fs::directory_iterator(dir.file("data"))) {
        EXPECT_NE(entry.path().filename().string().rfind("conversion-", 0), 0u) << entry.path();
    }
}

TEST_F(AddinEndToEnd, ProtectedAndDamagedDocumentsAreReportedAndTheOldPdfSurvives) {
    {
        test::TestDocuments maker(test::officeProfiles("addin"));
        maker.make(doc("Protected.docx"), test::TestDocuments::Format::Docx,
                   test::TestDocuments::paragraph("secret"), "pw");
    }
    TempDir::write(doc("Damaged.docx"), "PK\x03\x04 this is not a Word document");
    watcher.onConvertDialog = [](CConvertDlg& dialog) {
        findControl<QPushButton>(dialog, CConvertDlg::convertId)->click();
    };
    for (const std::string name : {"Protected", "Damaged"}) {
        SCOPED_TRACE(name);
        boxes.requests.clear();
        watcher.completions = 0;
        TempDir::write(doc(name + ".pdf"), "the old PDF");
        click(doc(name + ".docx"));
        ASSERT_EQ(boxes.requests.size(), 1u);
        EXPECT_TRUE(boxes.requests[0].text.startsWith(QStringLiteral("Couldn't open \"") +
                                                      QString::fromStdString(doc(name + ".docx"))))
            << boxes.requests[0].text.toStdString();
        EXPECT_EQ(boxes.requests[0].caption, u"Plovra");
        EXPECT_EQ(watcher.completions, 0);
        EXPECT_EQ(TempDir::read(doc(name + ".pdf")), "the old PDF");
    }
    EXPECT_TRUE(test::processesMentioning(dir.file("data")).empty());
}

} // namespace
