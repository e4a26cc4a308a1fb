#include "app/ui/OptionPageSwitcher.h"

#include "app/ui/CTabCtrlEx.h"
#include "app/ui/Mnemonic.h"
#include "app/ui/UiTexts.h"

#include <QApplication>
#include <QTabBar>

namespace zarta::ui {

OptionPageSwitcher::OptionPageSwitcher(CTabCtrlEx& tabs, const std::array<QWidget*, 3>& pages,
                                       UiVariant variant)
    : QObject(&tabs), tabs_(tabs), pages_(pages), variant_(variant) {
    // Following the selection (not only mouse presses) keeps the page shown and the tab
    // highlighted in agreement when the keyboard changes the tab.
    connect(tabs_.tabBar(), &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index < int(pages_.size()) && index != shown_) {
            show(index);
        }
    });
}

void OptionPageSwitcher::insertTabs(CTabCtrlEx& tabs) {
    // The tabs select themselves with Alt and their first letter.
    const auto text = [](QStringView tab) { return Mnemonic::marked(tab, tab.front()); };
    tabs.insertItem(0, text(UiTexts::descriptionTab));
    tabs.insertItem(1, text(UiTexts::securityTab));
    tabs.insertItem(2, text(UiTexts::advancedTab));
}

QMargins OptionPageSwitcher::insets(UiVariant variant) {
    return variant == UiVariant::Desktop ? QMargins(1, 30, 4, 4) : QMargins(1, 25, 4, 4);
}

QRect OptionPageSwitcher::pageRect() const {
    return tabs_.rect().marginsRemoved(insets(variant_));
}

void OptionPageSwitcher::showFirstPage() {
    show(0);
}

void OptionPageSwitcher::show(int index) {
    shown_ = index;
    // A page that is hidden with the focus in it would pass the focus on to whatever control
    // comes next in the window; the tab bar that changed the page takes it instead.
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* page : pages_) {
        if (page != pages_[index] && page->isAncestorOf(focus)) {
            tabs_.tabBar()->setFocus(Qt::TabFocusReason);
        }
    }
    for (int i = 0; i < int(pages_.size()); ++i) {
        if (i != index) {
            pages_[i]->hide();
        }
    }
    pages_[index]->setGeometry(pageRect());
    pages_[index]->show();
}

} // namespace zarta::ui
