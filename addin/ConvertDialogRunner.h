#pragma once

#include <functional>
#include <string>

namespace zarta::addin {

// Runs the add-in's convert dialog for one document. The add-in calls run() from its button's
// Click handler, on the host's user-interface thread, once per click.
class ConvertDialogRunner {
public:
    virtual ~ConvertDialogRunner() = default;

    // Shows the convert dialog modally, with no parent window, for the document file at
    // `documentPath`: the full path the host gave as the active document's name (UTF-8), or an
    // empty text when no document was active or none had a name. Returns once the user has
    // closed the dialog; nothing is handed back. The path is the dialog's to check: it may name
    // no file, or a file that is not a word-processor document. A runner that waits for a
    // dialog outside the host's event loop calls whileWaiting (when given) repeatedly meanwhile,
    // so that the host stays responsive.
    virtual void run(const std::string& documentPath,
                     const std::function<void()>& whileWaiting) = 0;
};

} // namespace zarta::addin
