#include "app/ui/AccessibleProgress.h"

#include "app/ui/CBmpProgCtrl.h"

namespace zarta::ui {

AccessibleProgress::AccessibleProgress(CBmpProgCtrl* control)
    : QAccessibleWidget(control, QAccessible::ProgressBar) {}

void* AccessibleProgress::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString AccessibleProgress::text(QAccessible::Text type) const {
    if (type == QAccessible::Value) {
        return QString::number(currentValue().toInt()) + u'%';
    }
    return QAccessibleWidget::text(type);
}

QVariant AccessibleProgress::currentValue() const {
    const CBmpProgCtrl& bar = control();
    if (!bar.isFilled()) {
        return 0;
    }
    // The same share the picture shows, in whole percent.
    return CBmpProgCtrl::fill(bar.position(), bar.total(), 100, 100).targetWidth;
}

void AccessibleProgress::setCurrentValue(const QVariant&) {
    // The bar shows the batch's progress; nobody else sets it.
}

QVariant AccessibleProgress::maximumValue() const {
    return 100;
}

QVariant AccessibleProgress::minimumValue() const {
    return 0;
}

QVariant AccessibleProgress::minimumStepSize() const {
    return 1;
}

const CBmpProgCtrl& AccessibleProgress::control() const {
    return *static_cast<const CBmpProgCtrl*>(widget());
}

} // namespace zarta::ui
