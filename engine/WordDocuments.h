#pragma once

#include "engine/WordDocument.h"
#include "engine/WordVariant.h"

#include <array>
#include <memory>

namespace zarta {

// The Documents collection of a Word automation session. Owned by the caller of
// WordApplication::getDocuments; used on the session's thread.
class WordDocuments {
public:
    virtual ~WordDocuments() = default;

    // Open (DISPID 15), twelve positional arguments: FileName, ConfirmConversions, ReadOnly,
    // AddToRecentFiles, PasswordDocument, PasswordTemplate, Revert, WritePasswordDocument,
    // WritePasswordTemplate, Format, Encoding, Visible. Yields the opened document.
    //
    // A document without a password opens whatever PasswordDocument holds. A protected
    // document opens only with its own password; otherwise Open throws WordError with
    // Kind::PasswordRequired. A file that cannot be read as a Word document at all (missing,
    // empty, damaged, another format) throws WordError with Kind::CannotOpen.
    virtual std::unique_ptr<WordDocument> Open(std::array<WordVariant, 12>& arguments) = 0;
};

} // namespace zarta
