// The add-in's convert dialog on a laptop's screen less a panel (1366 x 720, offscreen): taller
// than the screen, it takes the screen's height and its page scrolls to the focused control.

#include "addin/dialog/CConvertDlg.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "tests/addin/dialog/AddinDialogWatcher.h"
#include "tests/support/FakeConversion.h"
#include "tests/support/LayoutChecks.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

using namespace zarta;
using namespace zarta::addin;

namespace {

TEST(AddinConvertDialogOnALaptop, TakesTheScreensHeightAndScrollsToTheFocusedControl) {
    TempDir dir;
    FakeConversion services{dir.file("data")};
    AddinDialogWatcher watcher;
    // The 8-point font the templates were written for fits; larger desktop fonts do not.
    const struct {
        int points;
        bool scrolls;
    } cases[] = {{8, false}, {10, true}, {12, true}};
    for (const auto& [points, scrolls] : cases) {
        SCOPED_TRACE(points);
        const QFont previous = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), points));
        CConvertDlg dialog(services, QStringLiteral("Plovra"));
        dialog.setDocumentPath(dir.file("Report.docx"));
        dialog.setUnsavedChanges(true);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

        const QRect screen = dialog.screen()->availableGeometry();
        EXPECT_EQ(dialog.scrolls(), scrolls);
        // Never taller than the screen with its frame; as tall as the screen when it scrolls.
        EXPECT_LE(dialog.frameGeometry().height(), screen.height());
        if (scrolls) {
            EXPECT_GE(dialog.frameGeometry().height(), screen.height() - 1);
        }
        EXPECT_EQ(clippedTexts(dialog), QStringList());

        // Each control, once focused, is wholly in view.
        auto* area = dialog.findChild<QScrollArea*>();
        ASSERT_NE(area, nullptr);
        auto* description = dialog.findChild<ui::CDescriptionDlg*>();
        QWidget* controls[] = {
            findControl<QWidget>(dialog, CConvertDlg::convertId),
            findControl<QWidget>(dialog, CConvertDlg::outputFolderId),
            findControl<QWidget>(*description,
                                 ui::CDescriptionDlg::ids(ui::UiVariant::AddIn).keywords),
            findControl<QWidget>(dialog, CConvertDlg::convertId),
        };
        for (QWidget* control : controls) {
            SCOPED_TRACE(control->objectName().toStdString());
            control->setFocus();
            QTest::qWait(20);
            const QRect inView(control->mapTo(area->viewport(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(area->viewport()->rect().contains(inView))
                << inView.y() << "+" << inView.height() << " in " << area->viewport()->height();
        }
        EXPECT_TRUE(dialog.grab().save(
            QStringLiteral(ZARTA_SCREENSHOT_DIR "/addin-convert-laptop-%1pt.png").arg(points)));
        dialog.reject();
        QApplication::setFont(previous);
    }
}

} // namespace
