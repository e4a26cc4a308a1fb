#pragma once

#include <stdexcept>
#include <string>

namespace zarta {

// A failed call on the Word automation interface. Providers raise it from any member of
// WordApplication, WordDocuments or WordDocument; the Word stage turns it into the file's result.
class WordError : public std::runtime_error {
public:
    enum class Kind {
        PasswordRequired, // Open: the document is protected and the password given is wrong
        CannotOpen,       // Open: missing, empty, damaged or not a Word document
        CallFailed,       // any other call failed (the session is unusable afterwards)
        TimedOut,         // the word processor stopped answering and was ended
        PrintMismatch,    // PrintOut: the print's pages are not the document's (their number,
                          // a page's size or orientation); nothing was printed
    };

    // detail: what went wrong, in words a user can follow ("the file is damaged").
    WordError(Kind kind, const std::string& detail) : std::runtime_error(detail), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

} // namespace zarta
