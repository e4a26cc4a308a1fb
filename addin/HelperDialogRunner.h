#pragma once

#include "addin/ConvertDialogRunner.h"
#include "engine/ProductNames.h"

#include <string>

namespace zarta::addin {

// Runs the convert dialog in the add-in's helper program (zarta-addin-dialog, installed beside
// the module), for hosts whose own user-interface toolkit cannot share a process with Qt. run()
// starts the helper with the message boxes' caption, the document's path, whether it has unsaved
// changes and the host window it belongs to, and returns when the helper has ended, as a modal
// dialog would; meanwhile it calls whileWaiting (when given) every 20 ms, so that the host keeps
// handling its events. A click that arrives while a dialog is open (through those events) opens
// no second one: it asks the helper, through the helper's standard input, to bring its dialog to
// the front. A helper that cannot be started is reported on standard error; the click then shows
// nothing.
//
// The environment variable named by helperVariable, when set, names another helper program
// (for tests).
//
// Thread: run() on the host's user-interface thread; it blocks until the helper ends.
class HelperDialogRunner : public ConvertDialogRunner {
public:
    static constexpr const char* helperName = ProductNames::addinDialogProgram.data();
    static constexpr const char* helperVariable = "ZARTA_ADDIN_DIALOG";
    // The line that asks the running helper to bring its dialog to the front.
    static constexpr const char* raiseRequest = "raise\n";

    // moduleFolder: the folder the add-in module was loaded from; caption: the module's name.
    void configure(std::string moduleFolder, std::string caption);

    void run(const Request& request, const std::function<void()>& whileWaiting) override;

    // The helper program run() starts.
    std::string helperPath() const;

private:
    void raiseRunningDialog() const;

    std::string moduleFolder_;
    std::string caption_;
    bool running_ = false;
    // The add-in's end of the running helper's standard input; -1 when none runs.
    int requests_ = -1;
};

} // namespace zarta::addin
