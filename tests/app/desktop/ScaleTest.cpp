#include "app/desktop/CAboutDlg.h"
#include "app/ui/Artwork.h"
#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CEnterPassWordDlg.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "app/ui/DialogUnits.h"
#include "app/ui/OptionPage.h"
#include "tests/app/desktop/DesktopWindow.h"
#include "tests/support/LayoutChecks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>

using namespace zarta;
using desktop::CConvertDlg;
using desktop::CZartaAllToPDFDlg;

namespace {

// The main window with the desktop's font at a point size. CTest runs these tests on a screen of
// 1366 x 720 (what a 768-pixel-high laptop screen leaves under a panel), once at device pixel
// ratio 1 and once at 2.
class Scale : public DesktopWindow, public testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        previousFont_ = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), GetParam()));
        DesktopWindow::SetUp();
        // Scrolling to the focused control follows the focus of the active window.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void TearDown() override {
        DesktopWindow::TearDown();
        QApplication::setFont(previousFont_);
    }

    // Saves a screenshot named after the font size and the pixel ratio ("about-box-14pt-2x").
    void save(QWidget& widget, const QString& name) const {
        const QString folder = QStringLiteral(ZARTA_SCREENSHOT_DIR);
        ASSERT_TRUE(QDir().mkpath(folder));
        QTest::qWait(50); // lets the header buttons capture their background
        const QString file = QStringLiteral("%1/%2-%3pt-%4x.png")
                                 .arg(folder, name)
                                 .arg(GetParam())
                                 .arg(widget.devicePixelRatioF());
        EXPECT_TRUE(widget.grab().save(file)) << file.toStdString();
    }

    QScrollArea* host() const {
        return findControl<QScrollArea>(*window, CZartaAllToPDFDlg::hostId);
    }

private:
    QFont previousFont_;
};

// The clipped texts of the page, of its group boxes and of the option page shown.
QStringList pageProblems(const QWidget& page) {
    QStringList problems = clippedTexts(page);
    for (const QWidget* holder : page.findChildren<QWidget*>()) {
        if (holder->isVisible() && (qobject_cast<const QGroupBox*>(holder) != nullptr ||
                                    qobject_cast<const ui::OptionPage*>(holder) != nullptr)) {
            problems << clippedTexts(*holder);
        }
    }
    return problems;
}

TEST_P(Scale, EveryDialogFollowsTheDesktopFont) {
    const qreal size = GetParam();
    const ui::DialogUnits units(QFont(QStringLiteral("DejaVu Sans"), GetParam()));
    EXPECT_EQ(window->font().pointSizeF(), size);
    EXPECT_EQ(page().width(), units.x(425) - 16);
    for (const ui::OptionPage* optionPage : page().findChildren<ui::OptionPage*>()) {
        EXPECT_EQ(optionPage->font().pointSizeF(), size) << optionPage->objectName().toStdString();
    }

    desktop::CAboutDlg about(window.get());
    // The about box was written for a font one point larger than the others.
    EXPECT_EQ(about.font().pointSizeF(), size * 9 / 8);
    ui::CEnterPassWordDlg password(window.get());
    password.setFileName(QStringLiteral("Quarterly report for the board, final version 3.docx"));
    ui::CFinishDlg finish(window.get());
    finish.setDestinationFolder(outFolder);
    finish.appendProducedFile(QStringLiteral("Quarterly report for the board.pdf"));
    const struct {
        QDialog* dialog;
        const char* name;
    } shown[] = {{&about, "about-box"}, {&password, "password-prompt"}, {&finish, "finish"}};
    for (const auto& d : shown) {
        if (d.dialog != &about) {
            EXPECT_EQ(d.dialog->font().pointSizeF(), size) << d.name;
        }
        // Shown modeless: the fixture answers modal dialogs and would close them before the shot.
        d.dialog->setModal(false);
        d.dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d.dialog));
        save(*d.dialog, QString::fromLatin1(d.name));
        EXPECT_EQ(clippedTexts(*d.dialog), QStringList()) << d.name;
        EXPECT_TRUE(window->screen()->availableGeometry().contains(d.dialog->frameGeometry()))
            << d.name;
        d.dialog->hide();
    }
}

TEST_P(Scale, TheWindowFitsTheScreenAndScrollsToEveryControl) {
    // Laid out in the desktop's font, the window is larger than the screen at 10 points already.
    ASSERT_EQ(window->font().pointSize(), GetParam());
    choose({document("Quarterly report for the board.docx"), document("minutes.doc")});
    save(*window, QStringLiteral("main-window-collapsed"));

    control<QCheckBox>(CConvertDlg::advancedBoxId)->click();
    const QRect available = window->screen()->availableGeometry();
    EXPECT_LE(window->frameGeometry().width(), available.width());
    EXPECT_LE(window->frameGeometry().height(), available.height());
    // A window that had to be cut keeps the page's full width beside the scroll bar.
    EXPECT_GE(host()->viewport()->width(), page().geometry().right() + 1);

    auto* tabBar = findControl<ui::CTabCtrlEx>(page(), CConvertDlg::tabsId)->tabBar();
    const QRect viewport(host()->viewport()->mapTo(window.get(), QPoint(0, 0)),
                         host()->viewport()->size());
    const char* tabNames[] = {"description", "security", "advanced"};
    for (int tab = 0; tab < 3; ++tab) {
        tabBar->setCurrentIndex(tab);
        int reached = 0;
        for (QWidget* widget : page().findChildren<QWidget*>()) {
            if (!widget->isVisible() || !widget->isEnabled() ||
                widget->focusPolicy() == Qt::NoFocus || widget->focusProxy() != nullptr) {
                continue;
            }
            widget->setFocus(Qt::TabFocusReason);
            const QRect shown(widget->mapTo(window.get(), QPoint(0, 0)), widget->size());
            EXPECT_TRUE(viewport.contains(shown))
                << "tab " << tab << ": " << widget->metaObject()->className() << " "
                << widget->objectName().toStdString();
            ++reached;
        }
        EXPECT_GT(reached, 8) << tab;
        // The shot shows the option page: the bottom of a window that scrolls.
        host()->verticalScrollBar()->setValue(host()->verticalScrollBar()->maximum());
        save(*window, QStringLiteral("main-window-") + QLatin1String(tabNames[tab]));
        EXPECT_EQ(pageProblems(page()), QStringList()) << tab;
    }
}

TEST_P(Scale, TheWheelOverTheTabsScrollsTheWindowAndLeavesTheTab) {
    control<QCheckBox>(CConvertDlg::advancedBoxId)->click();
    QScrollBar* bar = host()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the window does not scroll";
    auto* tabBar = findControl<ui::CTabCtrlEx>(page(), CConvertDlg::tabsId)->tabBar();
    // Scrolled so that the tabs are in view, with room to scroll either way.
    host()->ensureWidgetVisible(tabBar);
    bar->setValue(std::clamp(bar->value(), 1, bar->maximum() - 1));
    for (const int notches : {-1, 1}) {
        const int before = bar->value();
        const QPointF at = QRectF(tabBar->tabRect(1)).center();
        QWheelEvent wheel(at, tabBar->mapToGlobal(at), QPoint(), QPoint(0, notches * 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(tabBar, &wheel);
        EXPECT_EQ(tabBar->currentIndex(), 0) << notches;
        EXPECT_EQ(bar->value() < before, notches > 0) << notches;
        EXPECT_NE(bar->value(), before) << notches;
    }
}

TEST_P(Scale, ArtworkIsDrawnAtTheScreensPixelRatio) {
    const qreal ratio = window->devicePixelRatioF();
    const QWidget* line = findControl<QWidget>(*window, CZartaAllToPDFDlg::lineId);
    const QWidget* website = findControl<QWidget>(*window, CZartaAllToPDFDlg::websiteId);
    ui::CBmpProgCtrl* bar = page().progressBar();
    // The header left of its buttons and the empty progress bar, as shown and as drawn from the
    // vector originals at the shown size and ratio: the same pixels, none stretched.
    const QSize header(window->width(), line->geometry().bottom());
    // Above the etched line, which is drawn over the header's last rows.
    const QImage headerShown = window->grab(QRect(0, 0, website->x(), line->y())).toImage();
    const QImage headerDrawn = ui::Artwork::bitmap(ui::Artwork::MainHeader, header, ratio)
                                   .toImage()
                                   .copy(QRect(QPoint(0, 0), headerShown.size()));
    EXPECT_EQ(headerShown.size(), (QSizeF(website->x(), line->y()) * ratio).toSize());
    EXPECT_EQ(headerShown.convertToFormat(QImage::Format_RGB32),
              headerDrawn.convertToFormat(QImage::Format_RGB32));
    const QImage barShown = bar->grab().toImage();
    const QImage barDrawn =
        ui::Artwork::bitmap(ui::Artwork::ProgressBackground, bar->size(), ratio).toImage();
    EXPECT_EQ(barShown.size(), (QSizeF(bar->size()) * ratio).toSize());
    EXPECT_EQ(barShown.convertToFormat(QImage::Format_RGB32),
              barDrawn.convertToFormat(QImage::Format_RGB32));
}

INSTANTIATE_TEST_SUITE_P(DesktopFont, Scale, testing::Values(10, 14),
                         [](const testing::TestParamInfo<int>& size) {
                             return "At" + std::to_string(size.param) + "pt";
                         });

} // namespace
