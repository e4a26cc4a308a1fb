#include "app/desktop/CAboutDlg.h"
#include "tests/app/desktop/DesktopWindow.h"
#include "tests/support/LayoutChecks.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

using namespace zarta;

namespace {

using DesktopScreenshots = DesktopWindow;

void save(QWidget& widget, const QString& name) {
    const QString folder = QStringLiteral(ZARTA_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    QTest::qWait(50); // lets the header buttons capture their background
    EXPECT_TRUE(widget.grab().save(folder + "/" + name + ".png")) << name.toStdString();
}

// The texts of the page and its group boxes, which hold further controls.
QStringList pageProblems(const QWidget& page) {
    QStringList problems = clippedTexts(page);
    for (const QGroupBox* group : page.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
        problems << clippedTexts(*group);
    }
    return problems;
}

} // namespace

TEST_F(DesktopScreenshots, MainWindowCollapsedExpandedAndConverting) {
    choose({document("Quarterly report for the board.docx"), document("minutes.doc")});
    save(*window, "main-window-collapsed");
    // The header buttons sit on the header picture.
    const QImage header = window->grab(QRect(0, 0, window->width(), 20)).toImage();
    EXPECT_NE(header.pixelColor(2, 2), window->palette().color(QPalette::Window));

    control<QCheckBox>(desktop::CConvertDlg::advancedBoxId)->click();
    save(*window, "main-window-expanded");
    EXPECT_EQ(pageProblems(page()), QStringList());

    control<QLineEdit>(desktop::CConvertDlg::destinationId)->setText(outFolder);
    conversion->pdf.holdOpen = true;
    click(desktop::CConvertDlg::convertId);
    ASSERT_TRUE(waitFor([this] { return conversion->pdf.started > 0; }));
    QTest::qWait(1100); // two dots of the status animation
    save(*window, "main-window-converting");
    EXPECT_EQ(pageProblems(page()), QStringList());
    conversion->pdf.holdOpen = false;
    ASSERT_TRUE(waitFor([this] { return page().liveBatches() == 0; }));
}

TEST_F(DesktopScreenshots, AboutBox) {
    desktop::CAboutDlg box(window.get());
    // Shown modeless: the fixture answers modal about boxes and would close it before the shot.
    box.setModal(false);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    save(box, "about-box");
    EXPECT_EQ(clippedTexts(box), QStringList());
}
