#pragma once

#include "engine/UserPrompts.h"

namespace zarta::ui {
class GuiThreadCall;
} // namespace zarta::ui

namespace zarta::desktop {

class CConvertDlg;

// The conversion's messages and password questions as modal dialogs over the main window: the
// standard message box, and the password prompt (CEnterPassWordDlg). Each is shown on the
// user-interface thread through the batch's link, which keeps it back while the user is asked
// whether to stop; the worker waits for the answer.
//
// Thread: called on the batch's threads, one call at a time (see BatchWorker). The page and the
// link outlive every call.
class GuiPrompts : public UserPrompts {
public:
    GuiPrompts(CConvertDlg& page, ui::GuiThreadCall& link) : page_(page), link_(link) {}

    void showMessage(const std::string& text) override;
    std::optional<std::string> askPassword(const std::string& fileName, bool again) override;

private:
    CConvertDlg& page_;
    ui::GuiThreadCall& link_;
};

} // namespace zarta::desktop
