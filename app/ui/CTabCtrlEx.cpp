#include "app/ui/CTabCtrlEx.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QWheelEvent>

namespace zarta::ui {

CTabCtrlEx::CTabCtrlEx(UiVariant variant, QWidget* parent)
    : QWidget(parent), variant_(variant), tabBar_(new QTabBar(this)) {
    tabBar_->setDrawBase(false);
    tabBar_->setExpanding(false);
    tabBar_->setFocusPolicy(Qt::TabFocus);
    tabBar_->installEventFilter(this);
    placeTabBar();
    // Shortcuts rather than key presses: a focused field that takes any typed key (a list's
    // search, a text box's tab character) never sees Ctrl+Tab first.
    const auto addShortcut = [this](const QKeySequence& keys, int step) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step] { stepTab(step); });
    };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
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

void CTabCtrlEx::stepTab(int step) {
    if (count() > 1) {
        tabBar_->setCurrentIndex((currentIndex() + step + count()) % count());
    }
}

bool CTabCtrlEx::eventFilter(QObject* watched, QEvent* event) {
    // A wheel turned while the window scrolls under the pointer would otherwise switch the tab
    // as soon as the tabs pass below it: it scrolls the area the tabs lie in instead.
    if (watched == tabBar_ && event->type() == QEvent::Wheel) {
        QWidget* holder = parentWidget();
        while (holder != nullptr && qobject_cast<QAbstractScrollArea*>(holder) == nullptr) {
            holder = holder->parentWidget();
        }
        if (auto* area = static_cast<QAbstractScrollArea*>(holder)) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            QWheelEvent passed(area->viewport()->mapFromGlobal(wheel->globalPosition()),
                               wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                               wheel->buttons(), wheel->modifiers(), wheel->phase(),
                               wheel->inverted(), wheel->source());
            QCoreApplication::sendEvent(area->viewport(), &passed);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
