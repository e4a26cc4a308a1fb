#pragma once

#include <QAccessibleWidget>

namespace zarta::ui {

class CEnableEdit;

// An edit that only shows text (the status line, the about box's notice) as assistive
// technology sees it: read-only static text whose name is the text shown, described by the
// label naming it, if any. Made by Qt's accessibility layer on demand; lives no longer than the
// control. User-interface thread only.
class AccessibleStaticText : public QAccessibleWidget {
public:
    explicit AccessibleStaticText(CEnableEdit* edit);

    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;
};

} // namespace zarta::ui
