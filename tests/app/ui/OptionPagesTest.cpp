#include "tests/app/ui/TabHost.h"
#include "tests/support/QtPrinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace zarta::ui;

namespace {

const UiVariant variants[] = {UiVariant::Desktop, UiVariant::AddIn};

// The identifiers of the security page's enabled dependent controls, and its check states.
std::set<int> enabledDependents(const CSecurityDlg& page) {
    const CSecurityDlg::Ids& id = CSecurityDlg::ids(page.variant());
    std::set<int> enabled;
    for (int control : {id.ownerPassword, id.enableOwnerPassword, id.userPassword,
                        id.enableUserPassword, id.contentCopying, id.formFilling,
                        id.documentChanging, id.printing, id.high, id.low, id.aes128, id.aes256}) {
        if (findControl<QWidget>(page, control)->isEnabled()) {
            enabled.insert(control);
        }
    }
    return enabled;
}

std::map<int, bool> checkStates(const CSecurityDlg& page) {
    const CSecurityDlg::Ids& id = CSecurityDlg::ids(page.variant());
    std::map<int, bool> states;
    for (int control : {id.enableSecurity, id.enableUserPassword, id.enableOwnerPassword,
                        id.contentCopying, id.formFilling, id.documentChanging, id.printing, id.low,
                        id.high, id.aes128, id.aes256}) {
        states[control] = findControl<QAbstractButton>(page, control)->isChecked();
    }
    return states;
}

} // namespace

TEST(CSecurityDlg, StartStateAndEnablingRulesKeepChecksAndTexts) {
    for (UiVariant variant : variants) {
        CSecurityDlg page(variant);
        const CSecurityDlg::Ids& id = CSecurityDlg::ids(variant);
        const std::set<int> all{id.ownerPassword,
                                id.enableOwnerPassword,
                                id.userPassword,
                                id.enableUserPassword,
                                id.contentCopying,
                                id.formFilling,
                                id.documentChanging,
                                id.printing,
                                id.high,
                                id.low,
                                id.aes128,
                                id.aes256};
        auto without = [&all](std::initializer_list<int> controls) {
            std::set<int> rest = all;
            for (int control : controls) {
                rest.erase(control);
            }
            return rest;
        };
        auto click = [&page](int control) { findControl<QAbstractButton>(page, control)->click(); };

        EXPECT_TRUE(page.isHidden());
        EXPECT_EQ(enabledDependents(page), std::set<int>{});
        const std::map<int, bool> start{{id.enableSecurity, false},
                                        {id.enableUserPassword, true},
                                        {id.enableOwnerPassword, true},
                                        {id.contentCopying, false},
                                        {id.formFilling, false},
                                        {id.documentChanging, false},
                                        {id.printing, false},
                                        {id.low, true},
                                        {id.high, false},
                                        {id.aes128, false},
                                        {id.aes256, false}};
        EXPECT_EQ(checkStates(page), start);

        click(id.enableSecurity);
        EXPECT_EQ(enabledDependents(page), all);
        click(id.enableUserPassword);
        EXPECT_EQ(enabledDependents(page), without({id.userPassword}));

        findControl<QLineEdit>(page, id.ownerPassword)->setText(QStringLiteral("owner"));
        click(id.printing);
        click(id.high);
        std::map<int, bool> before = checkStates(page);
        click(id.enableSecurity);
        EXPECT_EQ(enabledDependents(page), std::set<int>{});
        before[id.enableSecurity] = false;
        EXPECT_EQ(checkStates(page), before);
        EXPECT_EQ(findControl<QLineEdit>(page, id.ownerPassword)->text(), QStringLiteral("owner"));

        click(id.enableSecurity);
        EXPECT_EQ(enabledDependents(page), without({id.userPassword}));
        click(id.enableOwnerPassword);
        EXPECT_EQ(enabledDependents(page), without({id.userPassword, id.ownerPassword}));
        click(id.enableUserPassword);
        EXPECT_EQ(enabledDependents(page), without({id.ownerPassword}));
    }
}

TEST(CAdvancedDlg, ListsAndTheirStartingItems) {
    for (UiVariant variant : variants) {
        CAdvancedDlg page(variant);
        const CAdvancedDlg::Ids& id = CAdvancedDlg::ids(variant);
        const std::map<int, QStringList> lists{
            {id.pageLayout, {"Continuous"}},
            {id.pageMode, {"Normal"}},
            {id.documentCompression, {"Flate", "LZW"}},
            {id.imagesCompression, {"Flate", "JPEG", "Automatic"}},
            {id.jpegQuality, {"Minimum", "Low", "Medium", "Maximum"}},
            // The versions the structure-keeping route adds follow the original three.
            {id.pdfVersion,
             {"V1.3(Acrobat 4.xx)", "V1.4", "V1.5", "V1.6", "PDF/A-1b", "PDF/A-2b", "PDF/A-3b"}},
        };
        for (const auto& [control, items] : lists) {
            const auto* list = findControl<QComboBox>(page, control);
            ASSERT_NE(list, nullptr) << control;
            QStringList shown;
            for (int i = 0; i < list->count(); ++i) {
                shown << list->itemText(i);
            }
            EXPECT_EQ(shown, items) << control;
            EXPECT_EQ(list->currentIndex(), 0) << control;
            EXPECT_EQ(list->isEditable(), variant == UiVariant::AddIn) << control;
        }
        for (const int box : {id.alternateEmfRendering, id.keepStructure, id.tagged}) {
            EXPECT_FALSE(findControl<QCheckBox>(page, box)->isChecked()) << box;
        }
    }

    // Typing into an add-in list adds nothing and never changes the value read.
    CAdvancedDlg page(UiVariant::AddIn);
    page.show();
    auto* quality = findControl<QComboBox>(page, CAdvancedDlg::addInIds.jpegQuality);
    quality->setCurrentIndex(2);
    quality->lineEdit()->selectAll();
    QTest::keyClicks(quality->lineEdit(), QStringLiteral("High"));
    QTest::keyClick(quality->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(quality->count(), 4);
    EXPECT_EQ(page.jpegQuality(), zarta::JpegQuality::Medium);
}

TEST(OptionPages, EnterAndEscapeNeverCloseAPage) {
    for (UiVariant variant : variants) {
        QDialog host;
        auto* page = new CDescriptionDlg(variant, &host);
        auto* button = new QPushButton(QStringLiteral("Convert"), &host);
        button->setDefault(true);
        int pressed = 0;
        QObject::connect(button, &QPushButton::clicked, [&pressed] { ++pressed; });
        page->show();
        host.show();
        const CDescriptionDlg::Ids& id = CDescriptionDlg::ids(variant);

        auto* title = findControl<QLineEdit>(*page, id.title);
        QTest::keyClick(title, Qt::Key_Return);
        QTest::keyClick(title, Qt::Key_Escape);
        auto* keywords = findControl<QPlainTextEdit>(*page, id.keywords);
        QTest::keyClicks(keywords, QStringLiteral("one"));
        QTest::keyClick(keywords, Qt::Key_Return);
        QTest::keyClicks(keywords, QStringLiteral("two"));
        QTest::keyClick(keywords, Qt::Key_Escape);

        EXPECT_EQ(keywords->toPlainText(), QStringLiteral("one\ntwo"));
        EXPECT_TRUE(host.isVisible());
        EXPECT_TRUE(page->isVisible());
        EXPECT_EQ(pressed, 0);
        EXPECT_EQ(host.result(), 0);
    }
}

TEST(OptionPageSwitcher, FirstClickPlacesThePageWhereTheDescriptionWas) {
    TabHost host(UiVariant::Desktop);
    const QRect first = host.description->geometry();
    EXPECT_EQ(first, host.tabs.rect().adjusted(1, 30, -4, -4));
    EXPECT_FALSE(host.security->isVisible());

    host.clickTab(1);
    EXPECT_EQ(host.switcher.shownIndex(), 1);
    EXPECT_EQ(host.security->geometry(), first);
    EXPECT_TRUE(host.security->isVisible());
    EXPECT_FALSE(host.description->isVisible());
    EXPECT_FALSE(host.advanced->isVisible());

    // After the control has grown, the shown tab and the strip beside the tabs change nothing;
    // another tab takes the rectangle of the current size.
    host.tabs.resize(host.tabs.size() + QSize(20, 10));
    host.clickTab(1);
    QTest::mouseClick(host.tabs.tabBar(), Qt::LeftButton, {},
                      QPoint(host.tabs.tabBar()->width() - 2, 5));
    EXPECT_EQ(host.switcher.shownIndex(), 1);
    EXPECT_EQ(host.security->geometry(), first);
    host.clickTab(2);
    EXPECT_EQ(host.advanced->geometry(), host.tabs.rect().adjusted(1, 30, -4, -4));
    EXPECT_FALSE(host.security->isVisible());
}

TEST(OptionPageSwitcher, AddInShowsTheSelectedTabsPage) {
    TabHost host(UiVariant::AddIn);
    const QRect inset = host.tabs.rect().adjusted(1, 25, -4, -4);
    EXPECT_EQ(host.description->geometry(), inset);
    host.clickTab(2);
    EXPECT_TRUE(host.advanced->isVisible());
    EXPECT_FALSE(host.description->isVisible());
    EXPECT_EQ(host.advanced->geometry(), inset);
}

TEST(OptionPageSwitcher, KeysWheelAndProgramShowTheSelectedTabsPage) {
    for (const UiVariant variant : {UiVariant::Desktop, UiVariant::AddIn}) {
        TabHost host(variant);
        QTabBar* bar = host.tabs.tabBar();
        const auto shows = [&host](int index) {
            for (int i = 0; i < 3; ++i) {
                if (host.page(i)->isVisible() != (i == index)) {
                    return false;
                }
            }
            return host.switcher.shownIndex() == index &&
                   host.page(index)->geometry() == host.switcher.pageRect();
        };
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_Right);
        EXPECT_TRUE(shows(1)) << int(variant);
        QTest::keyClick(bar, Qt::Key_Right);
        EXPECT_TRUE(shows(2)) << int(variant);
        QTest::keyClick(bar, Qt::Key_Left);
        EXPECT_TRUE(shows(1)) << int(variant);

        const QPointF at = bar->tabRect(1).center();
        QWheelEvent down(at, bar->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &down);
        EXPECT_EQ(bar->currentIndex(), host.switcher.shownIndex()) << int(variant);
        EXPECT_TRUE(shows(bar->currentIndex())) << int(variant);

        bar->setCurrentIndex(0);
        EXPECT_TRUE(shows(0)) << int(variant);
    }
}
