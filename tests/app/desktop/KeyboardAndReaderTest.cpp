#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CEnableEdit.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/CListBoxEx.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "tests/app/desktop/DesktopWindow.h"
#include "tests/support/LayoutChecks.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

using namespace zarta;
using desktop::CConvertDlg;
using desktop::CZartaAllToPDFDlg;

namespace {

// The desktop window used without a mouse or read by a screen reader.
class KeyboardAndReader : public DesktopWindow {
protected:
    void SetUp() override {
        DesktopWindow::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QWidget* advancedGroup() const { return control<QGroupBox>(CConvertDlg::advancedGroupId); }

    // The widgets Tab visits from the current focus until it comes round again.
    QList<QWidget*> tabCycle() const {
        QList<QWidget*> visited;
        QWidget* start = QApplication::focusWidget();
        for (int step = 0; step < 60; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            if (now == start || now == nullptr) {
                break;
            }
            visited << now;
        }
        return visited;
    }

    // Presses Alt and the letter, as a user does to use a mnemonic.
    static void altKey(char letter) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(Qt::Key_A + (letter - 'a')),
                        Qt::AltModifier);
        // A button's mnemonic clicks it after a short press animation.
        QTest::qWait(150);
    }

    static QString name(QWidget* widget) {
        QAccessibleInterface* described = QAccessible::queryAccessibleInterface(widget);
        return described == nullptr ? QString() : described->text(QAccessible::Name);
    }

    // The innermost shown object that reports the focus, as a screen reader looks for it. Qt
    // marks a tab bar's current tab focused whether or not the bar has the focus.
    static QAccessibleInterface* focusedObject(QAccessibleInterface* node) {
        QAccessibleInterface* found = nullptr;
        if (node->state().focused &&
            (node->role() != QAccessible::PageTab || node->parent()->state().focused)) {
            found = node;
        }
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (child != nullptr && !child->state().invisible) {
                if (QAccessibleInterface* inner = focusedObject(child)) {
                    found = inner;
                }
            }
        }
        return found;
    }
};

TEST_F(KeyboardAndReader, FocusStartsOnTheFileListAndTabSkipsCollapsedPages) {
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(page().fileList()));

    const QList<QWidget*> collapsed = tabCycle();
    EXPECT_FALSE(collapsed.isEmpty());
    for (QWidget* widget : collapsed) {
        EXPECT_FALSE(advancedGroup()->isAncestorOf(widget)) << widget->objectName().toStdString();
    }
    // Typing after any number of Tabs never reaches the hidden title field.
    auto* title =
        findControl<QLineEdit>(page(), ui::CDescriptionDlg::ids(ui::UiVariant::Desktop).title);
    for (QWidget* widget : collapsed) {
        widget->setFocus();
        QTest::keyClicks(widget, QStringLiteral("x"));
    }
    EXPECT_TRUE(title->text().isEmpty());

    control<QCheckBox>(CConvertDlg::advancedBoxId)->click();
    EXPECT_TRUE(tabCycle().contains(title));
    control<QCheckBox>(CConvertDlg::advancedBoxId)->click();
    EXPECT_FALSE(tabCycle().contains(title));
}

TEST_F(KeyboardAndReader, EveryTabStopShowsItsFocusAndIsNamedForScreenReaders) {
    control<QCheckBox>(CConvertDlg::advancedBoxId)->click();
    auto* tabBar = findControl<ui::CTabCtrlEx>(page(), CConvertDlg::tabsId)->tabBar();
    QAccessibleInterface* windowInterface = QAccessible::queryAccessibleInterface(window.get());
    for (int tab = 0; tab < 3; ++tab) {
        tabBar->setCurrentIndex(tab);
        page().setFocus();
        const QList<QWidget*> stops = QList<QWidget*>{page().fileList()} + tabCycle();
        EXPECT_GE(stops.size(), 10) << tab;
        for (qsizetype i = 0; i < stops.size(); ++i) {
            QWidget* stop = stops[i];
            const std::string what = "tab " + std::to_string(tab) + ": " +
                                     stop->metaObject()->className() + " " +
                                     stop->objectName().toStdString();
            // A focus frame is drawn: the control looks different with the focus.
            stops[(i + stops.size() - 1) % stops.size()]->setFocus(Qt::TabFocusReason);
            const QImage without = stop->grab().toImage();
            stop->setFocus(Qt::TabFocusReason);
            EXPECT_NE(stop->grab().toImage(), without) << what;
            // The focused object is the control (or its current tab), with a name and a role.
            QAccessibleInterface* focused = focusedObject(windowInterface);
            ASSERT_NE(focused, nullptr) << what;
            EXPECT_TRUE(focused->object() == stop ||
                        (focused->parent() != nullptr && focused->parent()->object() == stop))
                << what;
            EXPECT_NE(focused->role(), QAccessible::Client) << what;
            EXPECT_FALSE(focused->text(QAccessible::Name).trimmed().isEmpty()) << what;
        }
    }
}

TEST_F(KeyboardAndReader, CtrlTabSwitchesTheOptionTabsWhereverTheFocusIsAmongThem) {
    using ui::UiVariant;
    control<QCheckBox>(CConvertDlg::advancedBoxId)->click();
    auto* tabBar = findControl<ui::CTabCtrlEx>(page(), CConvertDlg::tabsId)->tabBar();
    const auto byId = [this](int id) { return findControl<QWidget>(page(), id); };
    const auto& description = ui::CDescriptionDlg::ids(UiVariant::Desktop);
    const auto& advanced = ui::CAdvancedDlg::ids(UiVariant::Desktop);
    // Each step: where the focus is put (null: where the last step left it), the key with Ctrl
    // (Backtab with Shift, as the X server sends Ctrl+Shift+Tab), the tab shown afterwards.
    const struct {
        QWidget* focus;
        Qt::Key key;
        int tab;
    } steps[] = {
        {byId(description.title), Qt::Key_Tab, 1},
        {nullptr, Qt::Key_Tab, 2},
        {nullptr, Qt::Key_Tab, 0},
        {nullptr, Qt::Key_Backtab, 2},
        {byId(advanced.pdfVersion), Qt::Key_Backtab, 1},
        {nullptr, Qt::Key_Backtab, 0},
        {byId(description.keywords), Qt::Key_Tab, 1},
        // Outside the option area Ctrl+Tab changes nothing.
        {page().fileList(), Qt::Key_Tab, 1},
        {byId(CConvertDlg::destinationId), Qt::Key_Backtab, 1},
    };
    for (const auto& step : steps) {
        if (step.focus != nullptr) {
            step.focus->setFocus(Qt::TabFocusReason);
        }
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        const Qt::KeyboardModifiers modifiers = step.key == Qt::Key_Backtab
                                                    ? Qt::ControlModifier | Qt::ShiftModifier
                                                    : Qt::ControlModifier;
        QTest::keyClick(focused, step.key, modifiers);
        EXPECT_EQ(tabBar->currentIndex(), step.tab)
            << focused->metaObject()->className() << " " << focused->objectName().toStdString();
        // A page that was hidden with the focus in it hands the focus to the tabs.
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_TRUE(QApplication::focusWidget()->isVisible());
    }
    // Typing after a switch never lands in a field of a hidden page.
    EXPECT_TRUE(findControl<QPlainTextEdit>(page(), description.keywords)->toPlainText().isEmpty());
}

TEST_F(KeyboardAndReader, HeaderButtonsShowWhenTheyHaveTheFocus) {
    for (const int id :
         {CZartaAllToPDFDlg::websiteId, CZartaAllToPDFDlg::helpId, CZartaAllToPDFDlg::aboutId}) {
        auto* button = findControl<QAbstractButton>(*window, id);
        const QImage unfocused = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus());
        EXPECT_NE(button->grab().toImage(), unfocused) << id;
        page().setFocus();
        EXPECT_EQ(button->grab().toImage(), unfocused) << id;
    }
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(KeyboardAndReader, EveryControlHasANameForScreenReaders) {
    control<QCheckBox>(CConvertDlg::advancedBoxId)->click();
    auto* tabBar = findControl<ui::CTabCtrlEx>(page(), CConvertDlg::tabsId)->tabBar();
    for (int tab = 0; tab < 3; ++tab) {
        tabBar->setCurrentIndex(tab);
        QList<QWidget*> controls;
        for (QWidget* widget : page().findChildren<QWidget*>()) {
            if (widget->isVisible() &&
                (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
                 qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
                 qobject_cast<QListWidget*>(widget) || qobject_cast<ui::CBmpProgCtrl*>(widget))) {
                controls << widget;
            }
        }
        EXPECT_GT(controls.size(), 8) << tab;
        for (QWidget* widget : controls) {
            EXPECT_FALSE(name(widget).trimmed().isEmpty())
                << "tab " << tab << ": " << widget->metaObject()->className() << " "
                << widget->objectName().toStdString();
        }
    }
    EXPECT_EQ(name(control<QLineEdit>(CConvertDlg::destinationId)),
              "Select destination folder for converted file(s).");
    EXPECT_EQ(name(control<QCheckBox>(CConvertDlg::advancedBoxId)), "Display Advanced Options.");
}

TEST_F(KeyboardAndReader, MnemonicsMoveTheFocusOrActAndNeverClash) {
    using ui::UiVariant;
    const auto& description = ui::CDescriptionDlg::ids(UiVariant::Desktop);
    const auto& security = ui::CSecurityDlg::ids(UiVariant::Desktop);
    const auto& advanced = ui::CAdvancedDlg::ids(UiVariant::Desktop);
    auto* tabBar = findControl<ui::CTabCtrlEx>(page(), CConvertDlg::tabsId)->tabBar();
    dialogs.folder = outFolder;

    // Each step: the letter, the tab shown afterwards and the control that has the focus then
    // (0: a push button's letter, which clicks it and leaves the focus where it was; -1: a tab's
    // letter, which gives the tab bar the focus).
    const struct {
        char letter;
        int tab;
        int focused;
    } steps[] = {
        {'e', 0, CConvertDlg::destinationId},
        {'b', 0, 0}, // chooses the prepared folder
        {'f', 0, 0}, // chooses no file: the status line says Ready
        {'o', 0, CConvertDlg::advancedBoxId},
        {'k', 0, description.keywords},
        {'i', 0, description.title},
        {'s', 1, -1},
        {'p', 1, security.enableSecurity},
        {'n', 1, security.enableOwnerPassword},
        {'g', 1, security.high},
        {'a', 2, -1},
        {'j', 2, advanced.jpegQuality},
        {'l', 2, advanced.alternateEmfRendering},
        {'d', 0, -1},
        {'h', 0, description.author},
    };
    for (const auto& step : steps) {
        altKey(step.letter);
        EXPECT_EQ(tabBar->currentIndex(), step.tab) << step.letter;
        if (step.focused == -1) {
            EXPECT_EQ(QApplication::focusWidget(), tabBar) << step.letter;
        } else if (step.focused != 0) {
            ASSERT_NE(QApplication::focusWidget(), nullptr) << step.letter;
            EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::number(step.focused))
                << step.letter;
        }
        // No two visible controls share a letter, so every mnemonic reaches its one control.
        QStringList letters = visibleMnemonics(*window);
        const qsizetype all = letters.size();
        letters.removeDuplicates();
        EXPECT_EQ(letters.size(), all) << step.letter << ": " << letters.join(' ').toStdString();
    }
    EXPECT_EQ(control<QLineEdit>(CConvertDlg::destinationId)->text(), outFolder);
    EXPECT_EQ(status(), "Ready");
    EXPECT_TRUE(control<QCheckBox>(CConvertDlg::advancedBoxId)->isChecked());
    EXPECT_TRUE(findControl<QCheckBox>(page(), security.enableSecurity)->isChecked());
    EXPECT_FALSE(findControl<QCheckBox>(page(), security.enableOwnerPassword)->isChecked());
    EXPECT_TRUE(findControl<QRadioButton>(page(), security.high)->isChecked());
    EXPECT_TRUE(findControl<QCheckBox>(page(), advanced.alternateEmfRendering)->isChecked());

    // The marks never reach what a screen reader says.
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        EXPECT_FALSE(name(widget).contains(u'&')) << widget->objectName().toStdString();
    }
    EXPECT_EQ(name(findControl<QCheckBox>(page(), security.enableSecurity)), "Enable PDF Security");
    EXPECT_EQ(name(control<QPushButton>(CConvertDlg::convertId)), "Convert");
}

TEST_F(KeyboardAndReader, ProgressIsAValueAndTheStatusLineReadOnlyText) {
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(page().progressBar());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    QAccessibleValueInterface* value = bar->valueInterface();
    ASSERT_NE(value, nullptr);
    struct Case {
        int position, total;
        bool filled;
        int percent;
    };
    for (const Case& c :
         {Case{1, 3, true, 33}, Case{3, 3, true, 100}, Case{2, 3, false, 0}, Case{5, 0, true, 0}}) {
        page().progressBar()->setProgress(c.position, c.total, c.filled);
        EXPECT_EQ(value->currentValue().toInt(), c.percent) << c.position << "/" << c.total;
    }
    EXPECT_EQ(value->maximumValue().toInt(), 100);

    QAccessibleInterface* statusLine =
        QAccessible::queryAccessibleInterface(control<ui::CEnableEdit>(CConvertDlg::statusId));
    ASSERT_NE(statusLine, nullptr);
    EXPECT_EQ(statusLine->role(), QAccessible::StaticText);
    EXPECT_TRUE(statusLine->state().readOnly);
    EXPECT_FALSE(statusLine->state().editable);
    EXPECT_EQ(statusLine->text(QAccessible::Name), "Not started.");
    EXPECT_EQ(statusLine->text(QAccessible::Description), "Status");
}

TEST_F(KeyboardAndReader, ARelativeDestinationIsMadeAbsoluteWhenConvertIsPressed) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root.path()));
    choose({document("a.doc")});
    control<QLineEdit>(CConvertDlg::destinationId)->setText("out");
    click(CConvertDlg::convertId);
    const bool ended = waitFor([this] { return page().liveBatches() == 0; });
    QDir::setCurrent(previous);
    ASSERT_TRUE(ended);
    EXPECT_EQ(control<QLineEdit>(CConvertDlg::destinationId)->text(),
              QDir(root.path()).filePath("out"));
    EXPECT_EQ(page().finishDialog().destinationFolder(), outFolder);
    EXPECT_TRUE(QFile::exists(outFolder + "a.pdf"));
}

} // namespace
