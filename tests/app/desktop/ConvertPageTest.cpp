#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/CListBoxEx.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "app/ui/DialogUnits.h"
#include "tests/app/desktop/DesktopWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

using namespace zarta;
using desktop::CConvertDlg;
using Answer = ui::MessageBoxes::Answer;
using Icon = ui::MessageBoxes::Icon;

namespace {

using ConvertPage = DesktopWindow;

} // namespace

TEST_F(ConvertPage, StartsCollapsedAndTheBoxRestoresTheFirstSizes) {
    const QSize collapsedWindow = window->size();
    const QSize collapsedPage = page().size();
    const int separatorTop = page().findChild<QWidget*>("1022")->y();
    EXPECT_EQ(collapsedPage.height(), separatorTop);
    EXPECT_GE(page().findChild<QWidget*>("1012")->y(), collapsedPage.height());
    const QSize fullWindow = ui::DialogUnits(window->font()).size(QSize(425, 442));

    auto* box = control<QCheckBox>(CConvertDlg::advancedBoxId);
    box->click();
    EXPECT_EQ(window->size(), fullWindow);
    EXPECT_EQ(window->height() - collapsedWindow.height(),
              page().height() - collapsedPage.height());
    const QWidget* advancedGroup = page().findChild<QWidget*>("1012");
    EXPECT_LE(advancedGroup->geometry().bottom(), page().height());

    box->click();
    EXPECT_EQ(window->size(), collapsedWindow);
    EXPECT_EQ(page().size(), collapsedPage);
}

TEST_F(ConvertPage, AddFilesSortsRefusesAndTakesTheFolder) {
    choose({}); // cancelled on an empty list
    EXPECT_EQ(status(), "Ready");
    EXPECT_FALSE(control<QPushButton>(CConvertDlg::convertId)->isEnabled());
    EXPECT_FALSE(control<QPushButton>(CConvertDlg::removeAllId)->isEnabled());

    control<QLineEdit>(CConvertDlg::destinationId)->setText("/typed/elsewhere");
    choose({document("b.docx")});
    choose({document("a.doc")});
    EXPECT_EQ(listed(), (QStringList{inFolder + "a.doc", inFolder + "b.docx"}));
    EXPECT_EQ(control<QLineEdit>(CConvertDlg::destinationId)->text(), inFolder);
    EXPECT_EQ(status(), "Ready");
    EXPECT_TRUE(control<QPushButton>(CConvertDlg::convertId)->isEnabled());

    const struct {
        QString chosen;
        QString refusal; // empty: accepted
    } cases[] = {
        {inFolder + "A.DOC", "Convert Word File existing."},
        {inFolder + "b.docx", "Convert Word File existing."},
        {inFolder + "notes.txt", "File format not support!"},
        {inFolder + "README", "File format not support!"},
        {inFolder + "REPORT.DOC", ""},
        {inFolder + "b.doc", ""}, // begins like a listed path: no duplicate
        {inFolder + "a.docx", ""},
    };
    for (const auto& c : cases) {
        boxes.requests.clear();
        const qsizetype before = listed().size();
        choose({c.chosen});
        if (c.refusal.isEmpty()) {
            EXPECT_EQ(listed().size(), before + 1) << c.chosen.toStdString();
            EXPECT_TRUE(boxes.requests.empty()) << c.chosen.toStdString();
        } else {
            EXPECT_EQ(listed().size(), before) << c.chosen.toStdString();
            ASSERT_EQ(boxes.texts(), QStringList{c.refusal}) << c.chosen.toStdString();
            EXPECT_EQ(boxes.requests[0].caption, "Warning");
            EXPECT_EQ(boxes.requests[0].icon, Icon::Information);
        }
    }
    EXPECT_EQ(dialogs.lastFilter, "Word Files (*.doc *.docx *.DOC *.DOCX)");
}

TEST_F(ConvertPage, ConvertRefusesAnEmptyListAndAFolderThatIsNotThere) {
    control<QPushButton>(CConvertDlg::convertId)->setEnabled(true);
    click(CConvertDlg::convertId);
    choose({document("a.doc")});
    control<QLineEdit>(CConvertDlg::destinationId)->setText(root.path() + "/missing/");
    click(CConvertDlg::convertId);
    EXPECT_EQ(boxes.texts(),
              (QStringList{"No Word File", "Wrong Path cause wrong, Input a valid file path!"}));
    for (const auto& request : boxes.requests) {
        EXPECT_EQ(request.caption, ui::MessageBoxes::programName());
        EXPECT_EQ(request.icon, Icon::Warning);
    }
    EXPECT_FALSE(page().isConverting());
    EXPECT_EQ(page().liveBatches(), 0);
}

TEST_F(ConvertPage, ConvertsInListOrderAndShowsWhatWasProduced) {
    conversion->word.protectedDocuments[(inFolder + "c.docx").toStdString()] = "secret";
    passwords << "wrong"
              << "secret";
    startBatch({"b.docx", "a.doc", "c.docx"}, false);
    EXPECT_FALSE(control<QPushButton>(CConvertDlg::addFilesId)->isEnabled());
    EXPECT_EQ(shownText(CConvertDlg::convertId), "Stop");

    ASSERT_TRUE(waitFor([this] { return page().liveBatches() == 0; }));
    EXPECT_EQ(status(), "Complete!");
    EXPECT_EQ(conversion->openedDocuments(),
              (QStringList{inFolder + "a.doc", inFolder + "b.docx", inFolder + "c.docx",
                           inFolder + "c.docx", inFolder + "c.docx"}));
    EXPECT_EQ(passwordPrompts, (QStringList{"c.docx", "c.docx"}));
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) {
        EXPECT_TRUE(QFile::exists(outFolder + name)) << name;
    }
    const ui::CBmpProgCtrl& bar = *page().progressBar();
    EXPECT_EQ(bar.position(), 100);
    EXPECT_EQ(bar.total(), 100);
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(control<QPushButton>(CConvertDlg::convertId)->isEnabled());
    EXPECT_EQ(shownText(CConvertDlg::convertId), "Convert");
    EXPECT_TRUE(control<QPushButton>(CConvertDlg::addFilesId)->isEnabled());

    ASSERT_TRUE(waitFor([this] { return !finishLists.empty(); }));
    EXPECT_EQ(finishLists[0], (QStringList{"a.pdf", "b.pdf", "c.pdf"}));
    EXPECT_TRUE(page().finishDialog().producedFiles().isEmpty());
    EXPECT_FALSE(page().progressBar()->isFilled());
    EXPECT_FALSE(page().isPrintWatchRunning());
    EXPECT_EQ(conversion->word.liveSessions(), 0);
}

TEST_F(ConvertPage, StopThenNoGoesOnAndEditingIsRefusedMeanwhile) {
    startBatch({"a.doc", "b.doc"}, true);
    for (int id : {CConvertDlg::addFilesId, CConvertDlg::removeId, CConvertDlg::removeAllId,
                   CConvertDlg::browseId}) {
        control<QPushButton>(id)->setEnabled(true);
        click(id);
    }
    EXPECT_EQ(boxes.texts(), QStringList(4, "Working now,Hold for a moment!"));

    boxes.requests.clear();
    boxes.handler = [this](const auto&) {
        EXPECT_EQ(shownText(CConvertDlg::convertId), "Convert");
        EXPECT_TRUE(page().isAskingToStop());
        return Answer::No;
    };
    click(CConvertDlg::convertId);
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, " Are you sure you want to stop the conversion? ");
    EXPECT_EQ(boxes.requests[0].caption, "Zarta Word To PDF");
    EXPECT_EQ(boxes.requests[0].icon, Icon::Information);
    EXPECT_EQ(boxes.requests[0].buttons, ui::MessageBoxes::Buttons::YesNo);
    EXPECT_EQ(shownText(CConvertDlg::convertId), "Stop");

    conversion->pdf.holdOpen = false;
    ASSERT_TRUE(waitFor([this] { return status() == "Complete!"; }));
    EXPECT_TRUE(QFile::exists(outFolder + "b.pdf"));
}

TEST_F(ConvertPage, StopThenYesResetsAndTheWorkerLeavesThePageAlone) {
    startBatch({"a.doc", "b.doc"}, true);
    boxes.handler = [](const auto&) { return Answer::Yes; };
    click(CConvertDlg::convertId);

    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(status(), "Stoped");
    EXPECT_FALSE(page().isConverting());
    EXPECT_FALSE(control<QPushButton>(CConvertDlg::convertId)->isEnabled());
    EXPECT_EQ(shownText(CConvertDlg::convertId), "Convert");
    ASSERT_TRUE(waitFor([this] { return page().liveBatches() == 0; }));
    EXPECT_EQ(conversion->word.liveSessions(), 0);
    EXPECT_EQ(status(), "Stoped");
    EXPECT_FALSE(page().isPrintWatchRunning());
    EXPECT_TRUE(page().finishDialog().producedFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(outFolder + "a.pdf"));
    EXPECT_EQ(QDir(outFolder).entryList(QDir::Files | QDir::Hidden), QStringList());

    boxes.handler = nullptr;
    choose({document("c.docx")});
    EXPECT_EQ(listed(), QStringList{inFolder + "c.docx"});
    EXPECT_TRUE(control<QPushButton>(CConvertDlg::convertId)->isEnabled());
}

TEST_F(ConvertPage, WorkerQuestionsWaitUntilTheStopQuestionIsAnswered) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        QFile(outFolder + "b.pdf").open(QIODevice::WriteOnly);
        startBatch({"a.doc", "b.doc"}, true);
        boxes.requests.clear();
        boxes.handler = [this, answer](const ui::MessageBoxes::Request& request) {
            if (request.buttons == ui::MessageBoxes::Buttons::YesNo &&
                request.text.startsWith(" Are")) {
                // While the question is up the worker finishes a.doc; its next call to the page,
                // and the question whether to replace b.pdf after it, must wait.
                conversion->pdf.holdOpen = false;
                QTest::qWait(300);
                EXPECT_EQ(boxes.requests.size(), 1u);
                return answer;
            }
            return Answer::Yes;
        };
        click(CConvertDlg::convertId);
        ASSERT_TRUE(waitFor([this] { return page().liveBatches() == 0; }));
        QStringList expected{" Are you sure you want to stop the conversion? "};
        if (answer == Answer::No) {
            expected << outFolder + "b.pdf already exists. Do you want to replace it?";
            EXPECT_EQ(status(), "Complete!");
        } else {
            EXPECT_EQ(status(), "Stoped");
        }
        EXPECT_EQ(boxes.texts(), expected);
        boxes.handler = nullptr;
        ASSERT_TRUE(waitFor([this] { return page().finishDialog().producedFiles().isEmpty(); }));
    }
}

TEST_F(ConvertPage, EachFinishDialogListsItsOwnBatchInItsOwnFolder) {
    QDir(root.path()).mkdir("second");
    const QString second = root.path() + "/second/";
    const auto convertInto = [this](const QString& name, const QString& folder) {
        choose({document(name)});
        control<QLineEdit>(CConvertDlg::destinationId)->setText(folder);
        click(CConvertDlg::convertId);
    };

    // A batch stopped after its first PDF: that PDF belongs to no later batch.
    conversion->pdf.passFirst = 1;
    startBatch({"a.doc", "b.doc"}, true);
    ASSERT_TRUE(waitFor([this] { return page().finishDialog().producedFiles().size() == 1; }));
    boxes.handler = [](const auto&) { return Answer::Yes; };
    click(CConvertDlg::convertId);
    ASSERT_TRUE(waitFor([this] { return page().liveBatches() == 0; }));
    boxes.handler = nullptr;

    conversion->pdf.holdOpen = false;
    convertInto("c.docx", second);
    ASSERT_TRUE(waitFor([this] { return finishLists.size() == 1; }));
    EXPECT_EQ(finishLists[0], QStringList{"c.pdf"});
    EXPECT_EQ(page().finishDialog().destinationFolder(), second);

    // The next batch starts within the second before the finish dialog: the dialog of the
    // batch that ended comes first, and the new batch gets its own.
    conversion->pdf.workMilliseconds = 1500;
    convertInto("d.docx", outFolder);
    ASSERT_TRUE(waitFor([this] { return page().liveBatches() == 0; }));
    convertInto("e.docx", second);
    ASSERT_TRUE(waitFor([this] { return finishLists.size() == 3; }));
    EXPECT_EQ(finishLists[1], QStringList{"d.pdf"});
    EXPECT_EQ(finishLists[2], QStringList{"e.pdf"});
    EXPECT_EQ(page().finishDialog().destinationFolder(), second);
}

TEST_F(ConvertPage, DropTakesTheFolderOfTheFirstListedFile) {
    QDir(root.path()).mkdir("other");
    const QString other = root.path() + "/other/";
    QFile(other + "z.doc").open(QIODevice::WriteOnly);
    choose({document("m.docx")});
    control<QLineEdit>(CConvertDlg::destinationId)->setText("/typed");
    page().fileList()->acceptDroppedPaths({other + "z.doc"});
    ASSERT_TRUE(waitFor(
        [this] { return control<QLineEdit>(CConvertDlg::destinationId)->text() == inFolder; }));
    EXPECT_EQ(status(), "Ready");
}

TEST_F(ConvertPage, PrintWatchAnswersTheWordProcessorsQuestions) {
    QMessageBox question(QMessageBox::Question, "Microsoft Office Word", "Continue?",
                         QMessageBox::Yes | QMessageBox::No);
    question.show();
    page().startPrintWatch();
    ASSERT_TRUE(waitFor([&] { return !question.isVisible(); }, 1000));
    EXPECT_EQ(question.result(), QMessageBox::Yes);
    page().stopPrintWatch();
}

// A check that refuses the batch before any file is converted leaves the page as it was, with
// the focus on what is to be fixed.
TEST_F(ConvertPage, RefusalsBeforeTheBatchKeepTheListAndFocusWhatToFix) {
    const auto& ids = ui::CSecurityDlg::ids(ui::UiVariant::Desktop);
    auto* security = page().findChild<ui::CSecurityDlg*>();
    ASSERT_NE(security, nullptr);
    const auto securityEdit = [security](int id) { return findControl<QLineEdit>(*security, id); };
    const struct {
        const char* name;
        QString folder;
        QString owner;
        QString user;
        QString message;
        std::function<QWidget*()> focused;
        int tab;
    } cases[] = {
        {"a folder that cannot be written", QStringLiteral("/proc/self"), "", "",
         "The PDF files cannot be written into this folder (it is not writable for you). Choose "
         "another folder.",
         [this] { return control<QWidget>(CConvertDlg::destinationId); }, 0},
        {"the same owner and user passwords", "", "same", "same",
         "The Owner Password and the User Password are the same",
         [&] { return static_cast<QWidget*>(securityEdit(ids.ownerPassword)); }, 1},
        {"a user password longer than the encryption keeps", "", "owner", QString(40, u'u'),
         "The User Password is 40 bytes long",
         [&] { return static_cast<QWidget*>(securityEdit(ids.userPassword)); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        choose({document("a.doc"), document("b.docx")});
        const QString folder = c.folder.isEmpty() ? outFolder : c.folder;
        control<QLineEdit>(CConvertDlg::destinationId)->setText(folder);
        const bool secured = !c.owner.isEmpty();
        if (secured != findControl<QCheckBox>(*security, ids.enableSecurity)->isChecked()) {
            findControl<QCheckBox>(*security, ids.enableSecurity)->click();
        }
        securityEdit(ids.ownerPassword)->setText(c.owner);
        securityEdit(ids.userPassword)->setText(c.user);
        boxes.requests.clear();

        click(CConvertDlg::convertId);
        ASSERT_EQ(boxes.requests.size(), 1u);
        EXPECT_TRUE(boxes.requests[0].text.startsWith(c.message))
            << boxes.requests[0].text.toStdString();
        EXPECT_EQ(listed(), (QStringList{inFolder + "a.doc", inFolder + "b.docx"}));
        EXPECT_EQ(control<QLineEdit>(CConvertDlg::destinationId)->text(), folder);
        EXPECT_EQ(securityEdit(ids.ownerPassword)->text(), c.owner);
        EXPECT_EQ(status(), "Ready");
        EXPECT_TRUE(control<QPushButton>(CConvertDlg::convertId)->isEnabled());
        EXPECT_TRUE(control<QPushButton>(CConvertDlg::addFilesId)->isEnabled());
        EXPECT_FALSE(page().isConverting());
        EXPECT_EQ(page().liveBatches(), 0);
        EXPECT_EQ(window->focusWidget(), c.focused());
        EXPECT_EQ(findControl<ui::CTabCtrlEx>(page(), CConvertDlg::tabsId)->currentIndex(), c.tab);
        EXPECT_TRUE(conversion->word.calls().empty());
        click(CConvertDlg::removeAllId);
    }
}

// The finish dialog also names every file that was not converted, with the reason, and comes
// up even when no PDF was made; the focus goes back to the list, not to the header's buttons.
TEST_F(ConvertPage, TheFinishDialogListsTheFilesNotConvertedWithTheirReasons) {
    conversion->word.unreadableDocuments[(inFolder + "a.doc").toStdString()] = "it is damaged";
    conversion->word.protectedDocuments[(inFolder + "c.docx").toStdString()] = "secret";
    startBatch({"a.doc", "c.docx"}, false);
    ASSERT_TRUE(waitFor([this] { return !finishLists.empty(); }));
    EXPECT_EQ(status(), "Stoped");
    EXPECT_TRUE(finishLists[0].isEmpty());
    ASSERT_EQ(finishFailures[0].size(), 2);
    EXPECT_TRUE(finishFailures[0][0].startsWith("a.doc: ")) << finishFailures[0][0].toStdString();
    EXPECT_TRUE(finishFailures[0][0].contains("it is damaged"));
    EXPECT_EQ(finishFailures[0][1], "c.docx: no password was given");
    EXPECT_EQ(window->focusWidget(), page().fileList());
    EXPECT_TRUE(page().finishDialog().failedFiles().isEmpty()) << "closing empties the list";
}

// A wrong password is said to be wrong when the prompt comes back.
TEST_F(ConvertPage, APromptAfterAWrongPasswordSaysItWasNotAccepted) {
    conversion->word.protectedDocuments[(inFolder + "c.docx").toStdString()] = "secret";
    passwords << "wrong"
              << "also wrong"
              << "secret";
    startBatch({"c.docx"}, false);
    ASSERT_TRUE(waitFor([this] { return !finishLists.empty(); }));
    EXPECT_EQ(passwordRetries, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(finishLists[0], QStringList{"c.pdf"});
}

// Without a word processor the first message says why and the batch ends there: one box, not
// one per file.
TEST_F(ConvertPage, AWordProcessorThatCannotStartGivesOneMessageAndEndsTheBatch) {
    conversion->word.unavailable = true;
    conversion->word.unavailableReason = "its extension cache belongs to another user";
    startBatch({"a.doc", "b.doc", "c.doc"}, false);
    ASSERT_TRUE(waitFor([this] { return !finishLists.empty(); }));
    EXPECT_EQ(boxes.texts(), QStringList{"Couldn't get Word object.\nThe word processor could not "
                                         "be started: its extension cache belongs to another "
                                         "user"});
    EXPECT_EQ(status(), "Stoped");
    ASSERT_EQ(finishFailures[0].size(), 3);
    EXPECT_EQ(finishFailures[0][2], "c.doc: Not converted: the batch ended before this file.");
}
