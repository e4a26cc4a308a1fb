#pragma once

#include <QAccessibleWidget>

namespace zarta::ui {

// The viewport of a scroll area (the inside of a text box, of a status line) as assistive
// technology sees it: a part of its control, never focused itself. Qt reports a viewport focused
// whenever its control has the focus (the control is its focus proxy), so a screen reader that
// asks which object has the focus found the viewport, which has neither a name nor a role of its
// own ("filler"), instead of the named control. Made by Qt's accessibility layer on demand;
// lives no longer than the viewport. User-interface thread only.
class AccessibleViewport : public QAccessibleWidget {
public:
    explicit AccessibleViewport(QWidget* viewport);

    // The viewport of a scroll area: the one widget this description is for.
    static bool isViewport(const QObject* object);

    QAccessible::State state() const override;
};

} // namespace zarta::ui
