#pragma once

#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "app/ui/DialogUnits.h"
#include "app/ui/OptionPageSwitcher.h"

#include <QTabBar>
#include <QTest>

// The three option pages in a tab control of the size the convert page (389 x 120 dialog units)
// or the add-in's dialog (278 x 238) gives it, shown in a window.
struct TabHost {
    explicit TabHost(zarta::ui::UiVariant variant)
        : tabs(variant, &window), description(new zarta::ui::CDescriptionDlg(variant, &tabs)),
          security(new zarta::ui::CSecurityDlg(variant, &tabs)),
          advanced(new zarta::ui::CAdvancedDlg(variant, &tabs)),
          switcher(tabs, {description, security, advanced}, variant) {
        window.setFont(zarta::ui::DialogUnits::dialogFont());
        const QSize size =
            variant == zarta::ui::UiVariant::Desktop ? QSize(389, 120) : QSize(278, 238);
        tabs.resize(zarta::ui::DialogUnits(window.font()).size(size));
        window.resize(tabs.size());
        zarta::ui::OptionPageSwitcher::insertTabs(tabs);
        switcher.showFirstPage();
        window.show();
    }

    void clickTab(int index) {
        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {},
                          tabs.tabBar()->tabRect(index).center());
    }
    zarta::ui::OptionPage* page(int index) const {
        return index == 0   ? static_cast<zarta::ui::OptionPage*>(description)
               : index == 1 ? static_cast<zarta::ui::OptionPage*>(security)
                            : advanced;
    }

    QWidget window;
    zarta::ui::CTabCtrlEx tabs;
    zarta::ui::CDescriptionDlg* description;
    zarta::ui::CSecurityDlg* security;
    zarta::ui::CAdvancedDlg* advanced;
    zarta::ui::OptionPageSwitcher switcher;
};
