#include "app/ui/CEnterPassWordDlg.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/SortedListBox.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/RecordingShell.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace zarta::ui;

namespace {

void press(const QDialog& dialog, int id) {
    findControl<QPushButton>(dialog, id)->click();
}

// A finish dialog after a batch that produced files into a real folder.
class FinishDialog : public testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        for (const char* name : {"zeta.pdf", "Alpha.pdf", "beta.pdf"}) {
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            dialog.appendProducedFile(name);
        }
        dialog.setDestinationFolder(folder.path());
    }

    QTemporaryDir folder;
    CFinishDlg dialog;
    RecordingShell shell;
    RecordingMessageBoxes boxes;
};

} // namespace

TEST_F(FinishDialog, ListsInOrderAndOpensTheSelectedFile) {
    dialog.show();
    EXPECT_EQ(dialog.fileList()->strings(), (QStringList{"Alpha.pdf", "beta.pdf", "zeta.pdf"}));
    EXPECT_EQ(dialog.fileList()->selectedRow(), 0);
    EXPECT_EQ(findControl<QLabel>(dialog, CFinishDlg::messageId)->text(),
              QStringLiteral("Conversion Completes!"));
    // The destination was given without its trailing separator.
    EXPECT_EQ(dialog.destinationFolder(), folder.path() + u'/');
    dialog.fileList()->setCurrentRow(1);
    press(dialog, CFinishDlg::openFileId);
    EXPECT_EQ(shell.opened, std::vector<QUrl>{QUrl::fromLocalFile(folder.path() + "/beta.pdf")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(boxes.requests.empty());
}

TEST_F(FinishDialog, OpenFileWithoutSelectionAsksToChooseOne) {
    dialog.show();
    dialog.fileList()->clearSelection();
    press(dialog, CFinishDlg::openFileId);
    EXPECT_TRUE(shell.opened.empty());
    ASSERT_EQ(boxes.requests.size(), 1U);
    EXPECT_EQ(boxes.requests[0].text, QStringLiteral("Please choose one file !"));
    EXPECT_EQ(boxes.requests[0].caption, QStringLiteral("ERROR"));
    EXPECT_EQ(boxes.requests[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_EQ(boxes.requests[0].owner, &dialog);
}

TEST_F(FinishDialog, OpenFolderShowsTheFileOrFallsBackToTheFolder) {
    const QString dir = folder.path() + u'/';
    struct Case {
        const char* what;
        std::function<void(FinishDialog&)> before;
        QString shownFile; // empty: the folder is opened instead
    };
    const Case cases[] = {
        {"selected item", [](FinishDialog& t) { t.dialog.fileList()->setCurrentRow(2); },
         dir + "zeta.pdf"},
        {"nothing selected uses the first item",
         [](FinishDialog& t) { t.dialog.fileList()->clearSelection(); }, dir + "Alpha.pdf"},
        {"file deleted meanwhile",
         [](FinishDialog& t) { QFile::remove(t.folder.filePath("Alpha.pdf")); }, QString()},
        {"folder deleted meanwhile",
         [](FinishDialog& t) { QDir(t.folder.path()).removeRecursively(); }, QString()},
    };
    for (const Case& c : cases) {
        shell.opened.clear();
        shell.shown.clear();
        dialog.show();
        c.before(*this);
        press(dialog, CFinishDlg::openFolderId);
        if (c.shownFile.isEmpty()) {
            EXPECT_TRUE(shell.shown.empty()) << c.what;
            EXPECT_EQ(shell.opened, std::vector<QUrl>{QUrl::fromLocalFile(dir)}) << c.what;
        } else {
            EXPECT_TRUE(shell.opened.empty()) << c.what;
            ASSERT_EQ(shell.shown.size(), 1U) << c.what;
            EXPECT_EQ(shell.shown[0].first, c.shownFile) << c.what;
            EXPECT_EQ(shell.shown[0].second, dir) << c.what;
        }
        EXPECT_TRUE(dialog.isVisible()) << c.what;
    }
}

TEST_F(FinishDialog, EveryWayOfClosingEmptiesTheProducedFiles) {
    const std::function<void(CFinishDlg&)> ways[] = {
        [](CFinishDlg& d) { press(d, 2); },
        [](CFinishDlg& d) { QTest::keyClick(d.fileList(), Qt::Key_Escape); },
        [](CFinishDlg& d) { d.close(); },
    };
    for (const auto& close : ways) {
        dialog.appendProducedFile(QStringLiteral("old.pdf"));
        dialog.show();
        close(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(dialog.producedFiles().isEmpty());
    }
    dialog.appendProducedFile(QStringLiteral("next.pdf"));
    dialog.show();
    EXPECT_EQ(dialog.fileList()->strings(), QStringList{"next.pdf"});
}

TEST(CEnterPassWordDlg, PromptShowsTheNameVerbatim) {
    CEnterPassWordDlg dialog;
    dialog.setFileName(QStringLiteral("Q3 100%s %1 <b>report</b>.doc"));
    dialog.show();
    EXPECT_EQ(
        findControl<QLabel>(dialog, CEnterPassWordDlg::messageId)->text(),
        QStringLiteral("The program has detected that File \"Q3 100%s %1 <b>report</b>.doc\"  "
                       "is password protected. Please enter the password for the "
                       "conversion."));
    EXPECT_EQ(findControl<QLabel>(dialog, CEnterPassWordDlg::messageId)->textFormat(),
              Qt::PlainText);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Password Required!"));
    EXPECT_EQ(dialog.focusWidget(), findControl<QLineEdit>(dialog, CEnterPassWordDlg::passwordId));
}

TEST(CEnterPassWordDlg, AnswersAccordingToHowItCloses) {
    struct Case {
        const char* what;
        QString typed;
        std::function<void(CEnterPassWordDlg&)> close;
        int result;
        QString password;
    };
    const Case cases[] = {
        {"OK with a password", "s3cret", [](CEnterPassWordDlg& d) { press(d, 1); },
         QDialog::Accepted, "s3cret"},
        {"OK with an empty edit", "", [](CEnterPassWordDlg& d) { press(d, 1); }, QDialog::Accepted,
         ""},
        {"Cancel", "abc", [](CEnterPassWordDlg& d) { press(d, 2); }, QDialog::Rejected, ""},
        {"Escape", "abc",
         [](CEnterPassWordDlg& d) {
             QTest::keyClick(findControl<QLineEdit>(d, CEnterPassWordDlg::passwordId),
                             Qt::Key_Escape);
         },
         QDialog::Rejected, ""},
        {"title bar", "abc", [](CEnterPassWordDlg& d) { d.close(); }, QDialog::Rejected, ""},
    };
    for (const Case& c : cases) {
        CEnterPassWordDlg dialog;
        dialog.setFileName(QStringLiteral("a.doc"));
        dialog.show();
        auto* edit = findControl<QLineEdit>(dialog, CEnterPassWordDlg::passwordId);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        QTest::keyClicks(edit, c.typed);
        c.close(dialog);
        EXPECT_FALSE(dialog.isVisible()) << c.what;
        EXPECT_EQ(dialog.result(), c.result) << c.what;
        EXPECT_EQ(dialog.password(), c.password) << c.what;
    }
}
