#pragma once

#include "host/wordhost/WordHostIds.h"
#include "host/wordhost/WordWindow.h"
#include "platform/com/Bstr.h"
#include "platform/com/IDispatch.h"

namespace zarta::wordhost {

// A document open in the word processor (IID_WordDocument), as far as an add-in reads it.
// Dual; called on the host's user-interface thread.
class WordDocument : public com::IDispatch {
public:
    // The full path of the document's file; the caller frees the text. A document never saved
    // has no file: its name alone, or an empty text, comes back.
    virtual com::HRESULT get_FullName(com::BSTR* prop) = 0;
    // VARIANT_TRUE when the document holds no changes since it was last saved (or opened),
    // VARIANT_FALSE when its file lacks what the user has changed since.
    virtual com::HRESULT get_Saved(com::VARIANT_BOOL* prop) = 0;
    // The window the document is shown in; the caller releases the reference.
    virtual com::HRESULT get_ActiveWindow(WordWindow** prop) = 0;

protected:
    ~WordDocument() = default;
};

} // namespace zarta::wordhost
