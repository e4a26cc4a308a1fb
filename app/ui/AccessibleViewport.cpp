#include "app/ui/AccessibleViewport.h"

#include <QAbstractScrollArea>

namespace zarta::ui {

AccessibleViewport::AccessibleViewport(QWidget* viewport) : QAccessibleWidget(viewport) {}

bool AccessibleViewport::isViewport(const QObject* object) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(object->parent());
    return area != nullptr && area->viewport() == object;
}

QAccessible::State AccessibleViewport::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.focused = false;
    state.focusable = false;
    return state;
}

} // namespace zarta::ui
