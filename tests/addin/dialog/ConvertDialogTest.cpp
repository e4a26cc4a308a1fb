// The add-in's convert dialog on the offscreen screen, converting with the recording word
// processor and a fake PDF stage, with the registry in a folder of the test's own.

#include "addin/dialog/CCompleteDlg.h"
#include "addin/dialog/CConvertDlg.h"
#include "addin/dialog/InProcessDialogRunner.h"
#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "app/ui/StandardIds.h"
#include "platform/registry/Registry.h"
#include "tests/addin/dialog/AddinDialogWatcher.h"
#include "tests/support/FakeConversion.h"
#include "tests/support/LayoutChecks.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/RecordingShell.h"
#include "tests/support/ScriptedFileDialogs.h"
#include "tests/support/TempDir.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace zarta;
using namespace zarta::addin;
namespace fs = std::filesystem;

namespace {

const QString workingNow = QStringLiteral("Working now,Hold for a moment!");
const QString wrongPath = QStringLiteral("Wrong Path cause wrong, Input a valid file path!");

class AddinConvertDialog : public ::testing::Test {
protected:
    AddinConvertDialog() {
        ::setenv(Registry::relocationVariable, dir.file("registry").c_str(), 1);
        fs::create_directories(dir.file("Docs"));
        fs::create_directories(dir.file("Out"));
    }
    ~AddinConvertDialog() override { ::unsetenv(Registry::relocationVariable); }

    // A dialog for the document, shown (which initialises it), with short worker pauses.
    std::unique_ptr<CConvertDlg> open(const std::string& document) {
        auto dialog = std::make_unique<CConvertDlg>(services, QStringLiteral("Plovra"));
        dialog->setDocumentPath(document);
        dialog->setWorkerPauses(std::chrono::milliseconds(1), std::chrono::milliseconds(1));
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    template <class Widget>
    static Widget* control(const CConvertDlg& dialog, int id) {
        return findControl<Widget>(dialog, id);
    }
    static QLineEdit* folderEdit(const CConvertDlg& dialog) {
        return control<QLineEdit>(dialog, CConvertDlg::outputFolderId);
    }
    static void click(const CConvertDlg& dialog, int id) {
        control<QPushButton>(dialog, id)->click();
    }
    // Presses Convert and waits for the end of the run and for the completion dialog's time.
    void convertAndWait(CConvertDlg& dialog) {
        click(dialog, CConvertDlg::convertId);
        EXPECT_TRUE(dialog.isConverting());
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.statusText() == u"Complete!"; }, 10000));
        QTest::qWait(int(CConvertDlg::completionDelay.count()) + 200);
    }
    void writeMachineHive(const std::string& text) {
        fs::create_directories(dir.file("registry"));
        std::ofstream(dir.file("registry/HKEY_LOCAL_MACHINE.reg"))
            << "Windows Registry Editor Version 5.00\n\n"
            << text << "\n";
    }
    std::string doc(const std::string& name) const { return dir.file("Docs/" + name); }

    TempDir dir;
    FakeConversion services{dir.file("data")};
    RecordingMessageBoxes boxes;
    RecordingShell shell;
    ScriptedFileDialogs fileDialogs;
    AddinDialogWatcher watcher;
};

TEST_F(AddinConvertDialog, ConvertsTheDocumentIntoTheChosenFolderAndYesOpensThePdf) {
    const struct {
        const char* what;
        std::function<void(CConvertDlg&)> chooseFolder;
        std::string expectedPdf;
    } cases[] = {
        {"the document's folder", [](CConvertDlg&) {}, "Docs/Report.pdf"},
        {"a folder typed without the final separator",
         [this](CConvertDlg& d) {
             folderEdit(d)->setText(QString::fromStdString(dir.file("Out")));
         },
         "Out/Report.pdf"},
        {"a folder chosen with Browse",
         [this](CConvertDlg& d) {
             fileDialogs.folder = QString::fromStdString(dir.file("Out"));
             click(d, CConvertDlg::browseId);
             EXPECT_EQ(folderEdit(d)->text().toStdString(), dir.file("Out/"));
         },
         "Out/Report.pdf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        shell.opened.clear();
        watcher.answerYes = true;
        watcher.completions = 0;
        auto dialog = open(doc("Report.docx"));
        EXPECT_EQ(folderEdit(*dialog)->text().toStdString(), dir.file("Docs/"));
        EXPECT_EQ(dialog->statusText(), u"Not Started");
        c.chooseFolder(*dialog);
        convertAndWait(*dialog);

        EXPECT_EQ(dialog->outputPath(), dir.file(c.expectedPdf));
        EXPECT_TRUE(fs::exists(dir.file(c.expectedPdf)));
        EXPECT_EQ(watcher.completions, 1);
        ASSERT_EQ(shell.opened.size(), 1u);
        EXPECT_EQ(shell.opened[0],
                  QUrl::fromLocalFile(QString::fromStdString(dir.file(c.expectedPdf))));
        EXPECT_EQ(boxes.requests.size(), 0u);
        EXPECT_TRUE(control<QPushButton>(*dialog, CConvertDlg::convertId)->isEnabled());
        fs::remove(dir.file(c.expectedPdf));
    }
    // The document was opened read-only, from its file, with no password.
    const auto calls = services.word.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        "Open(TEXT \"" + doc("Report.docx") +
                            "\", I2 0, I2 -1, I2 0, MISSING, MISSING, I2 0, MISSING, MISSING, "
                            "I4 0, MISSING, I2 -1)"),
              calls.end());

    // "&No" opens nothing.
    watcher.answerYes = false;
    watcher.completions = 0;
    shell.opened.clear();
    auto dialog = open(doc("Letter.dot"));
    convertAndWait(*dialog);
    EXPECT_TRUE(fs::exists(doc("Letter.pdf")));
    EXPECT_EQ(watcher.completions, 1);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(AddinConvertDialog, DocumentsItDoesNotConvertAreNamedAndNoWordProcessorStarts) {
    const struct {
        std::string document; // as the host names it
        bool folderTyped;     // the edit starts empty, so a folder must be typed first
    } cases[] = {
        {doc("REPORT.DOC"), false},
        {doc("Report.docm"), false},
        {"Document1", true},
        {"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        boxes.requests.clear();
        auto dialog = open(c.document);
        if (c.folderTyped) {
            EXPECT_EQ(folderEdit(*dialog)->text(), QString());
            click(*dialog, CConvertDlg::convertId);
            EXPECT_EQ(boxes.texts(), QStringList{wrongPath});
            EXPECT_FALSE(dialog->isConverting());
            boxes.requests.clear();
            folderEdit(*dialog)->setText(QString::fromStdString(dir.file("Out")));
        }
        convertAndWait(*dialog);
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Not Suppot File ") +
                                             QString::fromStdString(c.document) +
                                             QStringLiteral(",Convert next file?")});
        ASSERT_EQ(boxes.requests.size(), 1u);
        EXPECT_EQ(boxes.requests[0].caption, u"Plovra");
        EXPECT_EQ(boxes.requests[0].icon, ui::MessageBoxes::Icon::Warning);
        // Nothing was written, so nothing is offered to open.
        EXPECT_EQ(watcher.completions, 0);
    }
    EXPECT_TRUE(services.word.calls().empty());
}

TEST_F(AddinConvertDialog, AFailedRunIsReportedWithoutTheCompletionDialogAndKeepsTheOldPdf) {
    std::ofstream(doc("Report.pdf")) << "old PDF";
    services.word.protectedDocuments[doc("Report.docx")] = "secret";
    auto dialog = open(doc("Report.docx"));
    convertAndWait(*dialog);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Couldn't open \"") +
                                         QString::fromStdString(doc("Report.docx")) +
                                         QStringLiteral("\": the document is protected by a "
                                                        "password.")});
    EXPECT_EQ(watcher.completions, 0);
    EXPECT_EQ(TempDir::read(doc("Report.pdf")), "old PDF");
    EXPECT_EQ(dialog->statusText(), u"Complete!");
}

TEST_F(AddinConvertDialog, WhileConvertingEverythingIsRefusedAndTheStatusDotsCycle) {
    services.pdf.holdOpen = true;
    auto dialog = open(doc("Report.docx"));
    click(*dialog, CConvertDlg::convertId);
    for (int id : {CConvertDlg::outputFolderId, CConvertDlg::browseId, CConvertDlg::convertId}) {
        EXPECT_FALSE(control<QWidget>(*dialog, id)->isEnabled()) << id;
    }
    EXPECT_FALSE(control<ui::CTabCtrlEx>(*dialog, CConvertDlg::tabsId)
                     ->findChild<ui::CSecurityDlg*>()
                     ->isEnabled());

    // Escape, the close box and Enter are refused with the same message; the dialog stays.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->close());
    EXPECT_EQ(boxes.texts(), (QStringList{workingNow, workingNow}));
    EXPECT_TRUE(dialog->isVisible());

    // "Start to Convert", then one to six dots, then "Start to Convert" again.
    QStringList seen{dialog->statusText()};
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (dialog->statusText() != seen.last()) {
                seen << dialog->statusText();
            }
            return seen.size() == 8;
        },
        6000));
    QStringList expected;
    for (int dots = 0; dots <= 6; ++dots) {
        expected << QStringLiteral("Start to Convert") + QString(dots, u'.');
    }
    expected << QStringLiteral("Start to Convert");
    EXPECT_EQ(seen, expected);

    services.pdf.holdOpen = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isConverting(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.completions == 1; }, 5000));
    // Idle again: Escape closes the dialog.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(boxes.requests.size(), 2u);
}

TEST_F(AddinConvertDialog, TheInstallationFolderComesFromTheMachineRegistry) {
    const struct {
        const char* what;
        std::string hive; // empty: no hive file at all
        std::string expected;
    } cases[] = {
        {"the value", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZWTPath]\n\"InstallPath\"=\"/opt/zarta\"\n",
         "/opt/zarta"},
        {"no key: the previous text stays", "", "/opt/zarta"},
        {"a key without the value", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZWTPath]\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.file("registry"));
        if (!c.hive.empty()) {
            writeMachineHive(c.hive);
        }
        auto dialog = open(doc("Report.docx"));
        convertAndWait(*dialog);
        ASSERT_FALSE(services.installFolders().empty());
        EXPECT_EQ(services.installFolders().back(), c.expected);
    }
}

TEST_F(AddinConvertDialog, DialogsAtTheirTemplateSizeShowEveryTextWhole) {
    const QString folder = QStringLiteral(ZARTA_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    services.pdf.holdOpen = true;
    auto dialog = open(doc("Report.docx"));
    EXPECT_EQ(clippedTexts(*dialog), QStringList());
    EXPECT_TRUE(dialog->grab().save(folder + QStringLiteral("/addin-convert-idle.png")));
    click(*dialog, CConvertDlg::convertId);
    QTest::qWait(1200);
    EXPECT_TRUE(dialog->grab().save(folder + QStringLiteral("/addin-convert-running.png")));
    services.pdf.holdOpen = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isConverting(); }, 10000));

    watcher.answerCompletion = false;
    CCompleteDlg complete;
    complete.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&complete));
    EXPECT_EQ(clippedTexts(complete), QStringList());
    EXPECT_TRUE(complete.grab().save(folder + QStringLiteral("/addin-complete.png")));
    QTest::keyClick(&complete, Qt::Key_Escape);
    EXPECT_EQ(complete.result(), QDialog::Rejected);
}

TEST_F(AddinConvertDialog, TheInProcessRunnerShowsTheDialogModallyForThePath) {
    InProcessDialogRunner runner(services, QStringLiteral("Plovra"));
    std::string shownFor;
    watcher.onConvertDialog = [&](CConvertDlg& dialog) {
        shownFor = dialog.documentPath();
        EXPECT_EQ(folderEdit(dialog)->text().toStdString(), dir.file("Docs/"));
        dialog.reject();
    };
    runner.run({doc("Report.docx")}, {});
    EXPECT_EQ(shownFor, doc("Report.docx"));
}

TEST_F(AddinConvertDialog, UnsavedChangesAreNamedBelowTheOutputFolderAndMoveNothingElseOverIt) {
    auto dialog = open(doc("Report.docx"));
    auto* tabs = control<ui::CTabCtrlEx>(*dialog, CConvertDlg::tabsId);
    auto* statusGroup = control<QWidget>(*dialog, CConvertDlg::statusGroupId);
    auto* notice = control<QLabel>(*dialog, CConvertDlg::unsavedNoticeId);
    const QRect output = control<QWidget>(*dialog, CConvertDlg::outputGroupId)->geometry();
    const QRect tabsBefore = tabs->geometry();
    const QRect statusBefore = statusGroup->geometry();
    EXPECT_FALSE(notice->isVisible());

    // Said when the document has unsaved changes, taken back when it has none.
    for (const bool unsaved : {true, false, true}) {
        SCOPED_TRACE(unsaved);
        dialog->setUnsavedChanges(unsaved);
        QTest::qWait(20);
        EXPECT_EQ(dialog->hasUnsavedNotice(), unsaved);
        EXPECT_EQ(notice->isVisible(), unsaved);
        const int band = tabs->y() - tabsBefore.y();
        EXPECT_EQ(statusGroup->y() - statusBefore.y(), band);
        if (unsaved) {
            EXPECT_EQ(notice->text(), QStringLiteral("The document has unsaved changes: the PDF "
                                                     "is made from the saved file, without them."));
            EXPECT_GT(notice->geometry().top(), output.bottom());
            EXPECT_LT(notice->geometry().bottom(), tabs->y());
            EXPECT_GE(band, notice->height());
            // The whole text shows: its lines fit the notice's height.
            EXPECT_GE(notice->height(), notice->heightForWidth(notice->width()));
        } else {
            EXPECT_EQ(band, 0);
        }
        EXPECT_EQ(clippedTexts(*dialog), QStringList());
    }
    EXPECT_TRUE(dialog->grab().save(QStringLiteral(ZARTA_SCREENSHOT_DIR) +
                                    QStringLiteral("/addin-convert-unsaved.png")));
    // The notice does not keep the document from converting.
    convertAndWait(*dialog);
    EXPECT_TRUE(fs::exists(doc("Report.pdf")));
}

TEST_F(AddinConvertDialog, AltKeysReachEveryControlAndNeverClash) {
    using ui::UiVariant;
    fileDialogs.folder = QString::fromStdString(dir.file("Out"));
    auto dialog = open(doc("Report.docx"));
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto* tabBar = control<ui::CTabCtrlEx>(*dialog, CConvertDlg::tabsId)->tabBar();
    QWidget* description = dialog->findChild<ui::CDescriptionDlg*>();
    QWidget* security = dialog->findChild<ui::CSecurityDlg*>();
    QWidget* advanced = dialog->findChild<ui::CAdvancedDlg*>();
    const auto& descriptionIds = ui::CDescriptionDlg::ids(UiVariant::AddIn);
    const auto& securityIds = ui::CSecurityDlg::ids(UiVariant::AddIn);
    const auto& advancedIds = ui::CAdvancedDlg::ids(UiVariant::AddIn);

    // Each step: the letter, the tab shown afterwards and the control that has the focus then
    // (null: a push button's letter, which clicks it; the tab bar for a tab's letter). A box or
    // radio button the letter reaches is also ticked: a letter two controls share would only
    // move the focus. The security boxes after "Enable PDF Security" are enabled by its tick.
    const struct {
        char letter;
        int tab;
        QWidget* focused;
    } steps[] = {
        {'f', 0, folderEdit(*dialog)},
        {'b', 0, nullptr}, // chooses the prepared folder
        {'k', 0, findControl<QWidget>(*description, descriptionIds.keywords)},
        {'i', 0, findControl<QWidget>(*description, descriptionIds.title)},
        {'h', 0, findControl<QWidget>(*description, descriptionIds.author)},
        {'u', 0, findControl<QWidget>(*description, descriptionIds.subject)},
        {'s', 1, tabBar},
        {'p', 1, findControl<QWidget>(*security, securityIds.enableSecurity)},
        {'n', 1, findControl<QWidget>(*security, securityIds.enableOwnerPassword)},
        {'g', 1, findControl<QWidget>(*security, securityIds.high)},
        {'a', 2, tabBar},
        {'j', 2, findControl<QWidget>(*advanced, advancedIds.jpegQuality)},
        {'l', 2, findControl<QWidget>(*advanced, advancedIds.alternateEmfRendering)},
        {'d', 0, tabBar},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.letter);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(Qt::Key_A + (step.letter - 'a')),
                        Qt::AltModifier);
        // A button's mnemonic clicks it after a short press animation; a busy machine may take
        // longer to move the focus.
        (void)QTest::qWaitFor(
            [&] {
                auto* box = qobject_cast<QAbstractButton*>(step.focused);
                return tabBar->currentIndex() == step.tab &&
                       (step.focused == nullptr || QApplication::focusWidget() == step.focused) &&
                       (box == nullptr || !box->isCheckable() || box->isChecked());
            },
            3000);
        QTest::qWait(step.focused == nullptr ? 150 : 0);
        EXPECT_EQ(tabBar->currentIndex(), step.tab);
        if (step.focused != nullptr) {
            EXPECT_EQ(QApplication::focusWidget(), step.focused);
        }
        if (auto* box = qobject_cast<QAbstractButton*>(step.focused); box && box->isCheckable()) {
            EXPECT_TRUE(box->isChecked());
        }
        QStringList letters = visibleMnemonics(*dialog);
        const qsizetype all = letters.size();
        letters.removeDuplicates();
        EXPECT_EQ(letters.size(), all) << letters.join(' ').toStdString();
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return folderEdit(*dialog)->text().toStdString() == dir.file("Out/"); }, 3000));

    // Alt+C converts; the marks never reach what a screen reader says.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->statusText() == u"Complete!"; }, 10000));
    EXPECT_TRUE(fs::exists(dir.file("Out/Report.pdf")));
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        QAccessibleInterface* described = QAccessible::queryAccessibleInterface(widget);
        const QString name = described == nullptr ? QString() : described->text(QAccessible::Name);
        EXPECT_FALSE(name.contains(u'&')) << name.toStdString();
    }
}

} // namespace
