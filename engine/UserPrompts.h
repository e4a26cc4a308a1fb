#pragma once

#include <optional>
#include <string>

namespace zarta {

// The questions and messages a conversion raises for the user.
//
// Called on the batch's threads, one call at a time (see BatchWorker); an implementation shows
// them wherever its user is (modal dialogs on the user-interface thread, a terminal) and blocks
// the calling thread until the answer is in. It must never need the worker to make progress
// meanwhile. When the batch is abandoned while a call waits, the call may throw BatchAbandoned.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // The standard message box: the text, an OK button, a warning icon and the program's own
    // name as caption.
    virtual void showMessage(const std::string& text) = 0;

    // The password prompt for a protected document. fileName is the part of the source path
    // after its last separator; again is true when the password last given for this same
    // document did not open it (false on a document's first question). Yields the entered text
    // (possibly empty) on OK, nothing on Cancel.
    virtual std::optional<std::string> askPassword(const std::string& fileName, bool again) = 0;
};

} // namespace zarta
