#pragma once

#include "app/ui/MessageBoxes.h"

namespace zarta::ui {

// The real message boxes: a modal QMessageBox with the requested caption, text, icon and buttons.
class QtMessageBoxes : public MessageBoxes {
public:
    Answer ask(const Request& request) override;
};

} // namespace zarta::ui
