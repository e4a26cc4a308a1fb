#pragma once

#include "app/ui/UiVariant.h"

#include <QWidget>

namespace zarta::ui {

// What the three option pages share: a borderless child with a white background, created hidden,
// that keeps Enter and Escape to itself so that they never close or trigger anything of the
// dialog hosting it (an edit that wants Enter, such as the keywords, still gets it).
//
// storeControls() copies the controls' state into the page's values; disabled controls are read
// like enabled ones. Values flow only from the controls to the page.
//
// User-interface thread only.
class OptionPage : public QWidget {
    Q_OBJECT
public:
    UiVariant variant() const { return variant_; }

    virtual void storeControls() = 0;

protected:
    OptionPage(UiVariant variant, QWidget* parent);

    void keyPressEvent(QKeyEvent* event) override;

private:
    UiVariant variant_;
};

} // namespace zarta::ui
