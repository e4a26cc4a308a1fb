#pragma once

#include "addin/CWordAddin.h"
#include "addin/HelperDialogRunner.h"
#include "platform/clipboard/QtClipboard.h"
#include "platform/com/ComModule.h"

#include <string>

namespace zarta::addin {

// The add-in module's application object: one static instance, whose InitInstance runs when
// the module is loaded and ExitInstance when it is unloaded (on the thread that loads or
// unloads it). The module file is named after the application's title (Plovra.so), which is
// the caption of the add-in's message boxes.
class CPlovraApp {
public:
    // Records the module's full path and initialises the module object with the object map
    // (the single WordAddin entry) and the type library's identity. Returns true.
    bool InitInstance();
    // Ends the module object, releasing the cached class object. Returns 0.
    int ExitInstance();

    com::ComModule& module() { return module_; }
    // What the module's add-in objects are made with: the desktop's clipboard through Qt, and
    // the convert dialog in the add-in's helper program beside the module.
    CWordAddin::Ports ports() { return {clipboard_, &dialogRunner_}; }
    // The module file's full path as loaded (symbolic links resolved).
    const std::string& modulePath() const { return modulePath_; }

private:
    com::ComModule module_;
    QtClipboard clipboard_;
    HelperDialogRunner dialogRunner_;
    std::string modulePath_;
};

// The module's one application object.
CPlovraApp& theApp();

} // namespace zarta::addin
