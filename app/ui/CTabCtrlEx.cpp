#include "app/ui/CTabCtrlEx.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace zarta::ui {

CTabCtrlEx::CTabCtrlEx(UiVariant variant, QWidget* parent)
    : QWidget(parent), variant_(variant), tabBar_(new QTabBar(this)) {
    tabBar_->setDrawBase(false);
    tabBar_->setExpanding(false);
    tabBar_->setFocusPolicy(Qt::TabFocus);
    placeTabBar();
}

int CTabCtrlEx::insertItem(int index, const QString& text) {
    const int inserted = tabBar_->insertTab(index, text);
    placeTabBar();
    return inserted;
}

int CTabCtrlEx::count() const {
    return tabBar_->count();
}

int CTabCtrlEx::currentIndex() const {
    return tabBar_->currentIndex();
}

int CTabCtrlEx::hitTest(const QPoint& point) const {
    if (!tabBar_->geometry().contains(point)) {
        return -1;
    }
    return tabBar_->tabAt(tabBar_->mapFrom(this, point));
}

QSize CTabCtrlEx::sizeHint() const {
    return tabBar_->sizeHint() + QSize(0, 100);
}

void CTabCtrlEx::placeTabBar() {
    tabBar_->setGeometry(0, 0, width(), tabBar_->sizeHint().height());
}

void CTabCtrlEx::resizeEvent(QResizeEvent* event) {
    placeTabBar();
    QWidget::resizeEvent(event);
}

void CTabCtrlEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (variant_ == UiVariant::Desktop) {
        painter.fillRect(rect(), Qt::white);
    }
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    frame.rect = rect().adjusted(0, tabBar_->height() - overlap, 0, 0);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = tabBar_->size();
    frame.tabBarRect = tabBar_->geometry();
    frame.selectedTabRect = tabBar_->tabRect(tabBar_->currentIndex());
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

} // namespace zarta::ui
