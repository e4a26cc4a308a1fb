#include "app/ui/Accessibility.h"

#include "app/ui/AccessibleProgress.h"
#include "app/ui/AccessibleStaticText.h"
#include "app/ui/AccessibleViewport.h"
#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CEnableEdit.h"

#include <QAccessible>
#include <QWidget>

namespace zarta::ui {

namespace {

QAccessibleInterface* describe(const QString& className, QObject* object) {
    // Qt asks with the class names of the object's class and then of its base classes.
    if (className == QLatin1String(CBmpProgCtrl::staticMetaObject.className())) {
        return new AccessibleProgress(static_cast<CBmpProgCtrl*>(object));
    }
    if (className == QLatin1String(CEnableEdit::staticMetaObject.className())) {
        return new AccessibleStaticText(static_cast<CEnableEdit*>(object));
    }
    // A viewport is a plain widget: asked for with that class name only.
    if (className == QLatin1String(QWidget::staticMetaObject.className()) &&
        AccessibleViewport::isViewport(object)) {
        return new AccessibleViewport(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

void Accessibility::install() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(describe);
    }
}

} // namespace zarta::ui
