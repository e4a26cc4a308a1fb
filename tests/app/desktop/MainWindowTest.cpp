#include "app/desktop/CAboutDlg.h"
#include "app/ui/CEnableEdit.h"
#include "tests/app/desktop/DesktopWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

using namespace zarta;
using desktop::CConvertDlg;
using desktop::CZartaAllToPDFDlg;
using Answer = ui::MessageBoxes::Answer;

namespace {

using MainWindow = DesktopWindow;

QAbstractButton* headerButton(const QWidget& window, int id) {
    return findControl<QAbstractButton>(window, id);
}

} // namespace

TEST_F(MainWindow, PlacesThePageInTheHostArea) {
    // The host area scrolls its content when the window is taller than the screen.
    const auto* host = findControl<QScrollArea>(*window, CZartaAllToPDFDlg::hostId);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(page().parentWidget(), host->widget());
    EXPECT_EQ(page().pos(), QPoint(8, 20));
    EXPECT_EQ(page().width(), host->width() - 16);
    EXPECT_EQ(window->windowTitle(), "Zarta Word To PDF");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
}

TEST_F(MainWindow, HeaderButtonsOpenTheWebsiteTheHelpAndTheAboutBox) {
    headerButton(*window, CZartaAllToPDFDlg::websiteId)->click();
    headerButton(*window, CZartaAllToPDFDlg::helpId)->click();
    QTest::keyClick(window.get(), Qt::Key_F1);
    const QUrl help = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                          "/Zarta Word To PDF - Help.html");
    EXPECT_EQ(shell.opened,
              (std::vector<QUrl>{QUrl("https://zarta.example/word-to-pdf/"), help, help}));
    headerButton(*window, CZartaAllToPDFDlg::aboutId)->click();
    EXPECT_EQ(aboutBoxes, 1);
}

TEST_F(MainWindow, HelpIsFoundBesideTheProgramOrInTheInstalledDataFolder) {
    QDir(root.path()).mkpath("usr/bin");
    QDir(root.path()).mkpath("usr/share/ZartaWordToPDF");
    const QString bin = root.path() + "/usr/bin";
    const QString installed =
        root.path() + "/usr/share/ZartaWordToPDF/Zarta Word To PDF - Help.html";
    EXPECT_EQ(CZartaAllToPDFDlg::helpFilePath(bin), bin + "/Zarta Word To PDF - Help.html");
    QFile(installed).open(QIODevice::WriteOnly);
    EXPECT_EQ(CZartaAllToPDFDlg::helpFilePath(bin), installed);
    QFile(bin + "/Zarta Word To PDF - Help.html").open(QIODevice::WriteOnly);
    EXPECT_EQ(CZartaAllToPDFDlg::helpFilePath(bin), bin + "/Zarta Word To PDF - Help.html");
}

TEST_F(MainWindow, AboutIsRefusedWhileConvertingButTheMenuCommandOpensIt) {
    startBatch({"a.doc"}, true);
    headerButton(*window, CZartaAllToPDFDlg::aboutId)->click();
    EXPECT_EQ(boxes.texts(), QStringList{"Working now, hold for a moment!"});
    EXPECT_EQ(boxes.requests[0].caption, ui::MessageBoxes::programName());
    EXPECT_EQ(aboutBoxes, 0);

    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), "About Zarta Word To PDF");
        menu->actions()[0]->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(window.get(), &event);
    EXPECT_EQ(aboutBoxes, 1);
    conversion->pdf.holdOpen = false;
}

TEST_F(MainWindow, ClosingAsksOnlyWhileConverting) {
    startBatch({"a.doc", "b.doc"}, true);
    boxes.handler = [](const auto&) { return Answer::No; };
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(page().isConverting());
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, " Are you sure you want to stop the conversion? ");
    EXPECT_EQ(boxes.requests[0].caption, "Zarta All To PDF");
    EXPECT_EQ(boxes.requests[0].icon, ui::MessageBoxes::Icon::Information);

    boxes.handler = [](const auto&) { return Answer::Yes; };
    EXPECT_TRUE(window->close());
    // The window goes with its page; the abandoned worker ends and the office with it.
    window.reset();
    EXPECT_EQ(conversion->word.liveSessions(), 0);

    window = std::make_unique<CZartaAllToPDFDlg>(*services);
    window->show();
    boxes.requests.clear();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(boxes.requests.empty());
}

TEST_F(MainWindow, EnterAndEscapeCloseAndPressNothing) {
    choose({document("a.doc")});
    for (int id : {CConvertDlg::convertId, CConvertDlg::addFilesId, CConvertDlg::destinationId}) {
        page().findChild<QWidget*>(QString::number(id))->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(QApplication::focusWidget(), key);
        }
    }
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(page().isConverting());
    EXPECT_TRUE(boxes.requests.empty());
}

TEST(AboutBox, LinkOpensTheWebsiteAndTheNoticeTakesNoClicks) {
    RecordingShell shell;
    desktop::CAboutDlg box;
    box.show();
    EXPECT_EQ(box.windowTitle(), "About Zarta Word To PDF");
    QLabel* link = box.link();
    EXPECT_EQ(link->text(), "https://zarta.example/word-to-pdf/");
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(8, 68, 170));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(shell.opened, std::vector<QUrl>{QUrl("https://zarta.example/word-to-pdf/")});

    ui::CEnableEdit* notice = box.notice();
    const QStringList lines = notice->text().split('\n');
    ASSERT_EQ(lines.size(), 2);
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(' '));
    }
    QTest::mouseClick(notice->viewport(), Qt::LeftButton, {}, QPoint(40, 5));
    EXPECT_FALSE(notice->hasFocus());
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
}
