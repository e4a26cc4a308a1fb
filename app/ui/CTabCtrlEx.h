#pragma once

#include "app/ui/UiVariant.h"

#include <QWidget>

class QTabBar;

namespace zarta::ui {

// A tab control whose pages are plain children placed by their owner (OptionPageSwitcher): a row
// of tabs along the top and a frame around the display area below it. The desktop program's
// control paints its whole background white; the add-in's paints no background at all, so its
// parent's painting shows through.
//
// The tabs select themselves when clicked, and with the keyboard: the arrow keys on the focused
// tabs, and Ctrl+Tab and Ctrl+Shift+Tab (the next and the previous tab, round) wherever the focus
// is inside the control, a page's fields included. The mouse wheel never changes the tab: over
// the tabs it scrolls the scroll area the control lies in, if any (a window too tall for the
// screen). The owner decides which page to show. User-interface thread only.
class CTabCtrlEx : public QWidget {
    Q_OBJECT
public:
    explicit CTabCtrlEx(UiVariant variant, QWidget* parent = nullptr);

    UiVariant variant() const { return variant_; }
    QTabBar* tabBar() const { return tabBar_; }

    int insertItem(int index, const QString& text);
    int count() const;
    int currentIndex() const;
    // The tab under a point in this control's coordinates, or -1 when no tab is there.
    int hitTest(const QPoint& point) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeTabBar();
    // Selects the next tab (step 1) or the previous one (step -1), round.
    void stepTab(int step);

    UiVariant variant_;
    QTabBar* tabBar_;
};

} // namespace zarta::ui
