#include "app/ui/AccessibleStaticText.h"

#include "app/ui/CEnableEdit.h"

namespace zarta::ui {

AccessibleStaticText::AccessibleStaticText(CEnableEdit* edit)
    : QAccessibleWidget(edit, QAccessible::StaticText) {}

QString AccessibleStaticText::text(QAccessible::Text type) const {
    const auto* edit = static_cast<const CEnableEdit*>(widget());
    switch (type) {
    case QAccessible::Name:
    case QAccessible::Value:
        return edit->text();
    case QAccessible::Description:
        // The label's text ("Status:") through the name the base class finds for the widget.
        return widget()->accessibleDescription().isEmpty()
                   ? QAccessibleWidget::text(QAccessible::Name)
                   : widget()->accessibleDescription();
    default:
        return QAccessibleWidget::text(type);
    }
}

QAccessible::State AccessibleStaticText::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.editable = false;
    return state;
}

} // namespace zarta::ui
