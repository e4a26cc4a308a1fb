#include "app/ui/OptionPageSwitcher.h"

#include "app/ui/CTabCtrlEx.h"
#include "app/ui/UiTexts.h"

#include <QMouseEvent>
#include <QTabBar>

namespace zarta::ui {

OptionPageSwitcher::OptionPageSwitcher(CTabCtrlEx& tabs, const std::array<QWidget*, 3>& pages,
                                       UiVariant variant)
    : QObject(&tabs), tabs_(tabs), tabBar_(tabs.tabBar()), pages_(pages), variant_(variant) {
    if (variant_ == UiVariant::Desktop) {
        tabs_.tabBar()->installEventFilter(this);
    } else {
        connect(tabs_.tabBar(), &QTabBar::currentChanged, this, [this](int index) {
            if (index >= 0 && index < int(pages_.size())) {
                show(index);
            }
        });
    }
}

void OptionPageSwitcher::insertTabs(CTabCtrlEx& tabs) {
    tabs.insertItem(0, UiTexts::descriptionTab.toString());
    tabs.insertItem(1, UiTexts::securityTab.toString());
    tabs.insertItem(2, UiTexts::advancedTab.toString());
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

bool OptionPageSwitcher::pressAt(const QPoint& globalPoint) {
    const int index = tabs_.hitTest(tabs_.mapFromGlobal(globalPoint));
    if (index < 0 || index >= int(pages_.size()) || index == shown_) {
        return false;
    }
    show(index);
    return true;
}

void OptionPageSwitcher::show(int index) {
    shown_ = index;
    for (int i = 0; i < int(pages_.size()); ++i) {
        if (i != index) {
            pages_[i]->hide();
        }
    }
    pages_[index]->setGeometry(pageRect());
    pages_[index]->show();
}

bool OptionPageSwitcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tabBar_ && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            pressAt(press->globalPosition().toPoint());
        }
    }
    return false;
}

} // namespace zarta::ui
