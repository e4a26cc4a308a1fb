// Files given on the desktop program's command line (as "Open with" gives them) reach the convert
// page's list by the drop's rules.
#include "app/desktop/CZartaAllToPDFApp.h"
#include "app/desktop/FileHandOver.h"
#include "tests/app/desktop/DesktopWindow.h"

#include <QDir>
#include <QLineEdit>

#include <atomic>
#include <thread>

using zarta::desktop::CConvertDlg;
using zarta::desktop::CZartaAllToPDFApp;
using zarta::desktop::FileHandOver;

namespace {

using CommandLineFiles = DesktopWindow;

TEST_F(CommandLineFiles, AreAbsoluteUntilDashDashEndsTheOptions) {
    struct Case {
        const char* what;
        QStringList arguments;
        QStringList files;
        QString unknownOption;
    };
    const QString here = QDir::currentPath();
    const Case cases[] = {
        {"none", {}, {}, ""},
        {"relative and absolute", {"a.docx", "/in/b.doc"}, {here + "/a.docx", "/in/b.doc"}, ""},
        {"a lone dash is a file", {"-"}, {here + "/-"}, ""},
        {"unknown option", {"--frobnicate", "a.doc"}, {here + "/a.doc"}, "--frobnicate"},
        {"after --", {"--", "--title.docx"}, {here + "/--title.docx"}, ""},
    };
    for (const Case& c : cases) {
        QString unknown;
        EXPECT_EQ(CZartaAllToPDFApp::filesFromArguments(c.arguments, unknown), c.files) << c.what;
        EXPECT_EQ(unknown, c.unknownOption) << c.what;
    }
}

TEST_F(CommandLineFiles, AreListedAsIfDroppedWithTheDropsMessages) {
    const QString letter = document("Letter.docx");
    const QString report = document("Report.doc");
    const QString notes = document("notes.txt");
    QString unknown;
    const QStringList files = CZartaAllToPDFApp::filesFromArguments(
        {letter, report, notes, inFolder, letter.toUpper()}, unknown);
    CZartaAllToPDFApp::addFiles(*window, files);
    // Handed over once the event loop runs, as a drop is.
    EXPECT_TRUE(listed().isEmpty());
    ASSERT_TRUE(waitFor([&] { return listed().size() == 2 && status() == "Ready"; }))
        << listed().join(", ").toStdString();
    EXPECT_EQ(listed(), (QStringList{letter, report}));
    EXPECT_EQ(boxes.texts(), (QStringList{"File format not support!", "Convert File existing."}));
    EXPECT_EQ(control<QLineEdit>(CConvertDlg::destinationId)->text(), inFolder);
}

TEST_F(CommandLineFiles, HandedOverByALaterCopyJoinTheListByTheSameRules) {
    FileHandOver handOver;
    const QString path = FileHandOver::socketPath(root.path());
    ASSERT_TRUE(handOver.listen(path));
    QObject::connect(
        &handOver, &FileHandOver::filesReceived, window.get(),
        [this](const QStringList& files) { CZartaAllToPDFApp::addFiles(*window, files); });
    const QString letter = document("Letter.docx");
    // A name that is not UTF-8 goes over as the file system's bytes.
    const QString odd = document(QFile::decodeName("caf\xe9.doc"));
    const QString notes = document("notes.txt");
    std::atomic<bool> taken = false;
    std::thread later([&] { taken = FileHandOver::send(path, {letter, odd, notes}); });
    const bool listedThem = waitFor([&] { return listed().size() == 2; });
    later.join();
    ASSERT_TRUE(listedThem);
    EXPECT_TRUE(taken);
    QStringList got = listed();
    QStringList wanted{letter, odd};
    got.sort();
    wanted.sort();
    EXPECT_EQ(got, wanted);
    EXPECT_EQ(boxes.texts(), QStringList{"File format not support!"});
}

TEST_F(CommandLineFiles, AreNotTakenWhenNoCopyListens) {
    EXPECT_FALSE(
        FileHandOver::send(FileHandOver::socketPath(root.path()), {document("a.doc")}, 300));
}

} // namespace
