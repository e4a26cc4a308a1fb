#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zarta::addin {

// Runs the add-in's convert dialog for one document. The add-in calls run() from its button's
// Click handler, on the host's user-interface thread, once per click.
class ConvertDialogRunner {
public:
    // What the host said of its active document when the button was clicked.
    struct Request {
        // The full path the host gave as the active document's name (UTF-8), or an empty text
        // when no document was active or none had a name. The path is the dialog's to check:
        // it may name no file, or a file that is not a word-processor document.
        std::string documentPath;
        // The document holds changes its file lacks: the PDF will be made without them.
        bool unsavedChanges = false;
        // The X window id of the host's window showing the document (the dialog stays above
        // it); 0 when unknown.
        std::uint32_t hostWindow = 0;
    };

    virtual ~ConvertDialogRunner() = default;

    // Shows the convert dialog modally for the request's document. Returns once the user has
    // closed the dialog; nothing is handed back. A runner that waits for a dialog outside the
    // host's event loop calls whileWaiting (when given) repeatedly meanwhile, so that the host
    // stays responsive; a click that arrives meanwhile calls run() again, which then brings the
    // open dialog to the front instead of opening a second one.
    virtual void run(const Request& request, const std::function<void()>& whileWaiting) = 0;
};

} // namespace zarta::addin
