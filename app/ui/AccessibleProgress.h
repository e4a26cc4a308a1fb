#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace zarta::ui {

class CBmpProgCtrl;

// The picture progress bar as assistive technology sees it: a progress bar whose value is the
// filled share in percent (0 while the bar is not filled). Made by Qt's accessibility layer on
// demand; lives no longer than the control. User-interface thread only.
class AccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleProgress(CBmpProgCtrl* control);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    const CBmpProgCtrl& control() const;
};

} // namespace zarta::ui
