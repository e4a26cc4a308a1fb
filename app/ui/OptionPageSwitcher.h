#pragma once

#include "app/ui/UiVariant.h"

#include <QMargins>
#include <QObject>
#include <QRect>

#include <array>

class QWidget;

namespace zarta::ui {

class CTabCtrlEx;

// Shows one of the three option pages (0 description, 1 security, 2 advanced) inside a tab
// control. Every shown page fills the tab control's rectangle inset by 1 on the left, 30 at the
// top (25 in the add-in), 4 on the right and 4 at the bottom, recomputed from the control's
// current size whenever a page is switched to.
//
// The shown page always follows the selected tab, whatever selected it: a click, the arrow keys
// on the focused tab bar, Ctrl+Tab, a tab's mnemonic or the program. A press on the shown
// tab or beside the tabs changes nothing. Should the focus be in the page that is hidden, the tab
// bar takes it.
//
// The switcher is a child of the tab control and lives as long as it; the pages must be children
// of the tab control. User-interface thread only.
class OptionPageSwitcher : public QObject {
    Q_OBJECT
public:
    OptionPageSwitcher(CTabCtrlEx& tabs, const std::array<QWidget*, 3>& pages, UiVariant variant);

    // Inserts the tabs "Description", "Security" and "Advanced"; the desktop program's carry
    // their first letters as mnemonics.
    static void insertTabs(CTabCtrlEx& tabs);
    static QMargins insets(UiVariant variant);

    // The rectangle a shown page fills, in the tab control's coordinates.
    QRect pageRect() const;
    int shownIndex() const { return shown_; }

    // Places and shows the description page and hides the other two.
    void showFirstPage();

private:
    void show(int index);

    CTabCtrlEx& tabs_;
    std::array<QWidget*, 3> pages_;
    UiVariant variant_;
    int shown_ = 0;
};

} // namespace zarta::ui
