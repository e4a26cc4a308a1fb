#pragma once

#include "host/wordhost/CommandBars.h"
#include "host/wordhost/WordDocument.h"
#include "platform/com/IDispatch.h"

namespace zarta::wordhost {

// The word processor's application object as an add-in meets it (IID_WordApplication), handed
// to the add-in by OnConnection. Dual; called on the host's user-interface thread. Each getter
// hands back a reference the caller releases.
class WordApplication : public com::IDispatch {
public:
    virtual com::HRESULT get_CommandBars(CommandBars** prop) = 0;
    // The document the user works in; a null reference (and a failure code) when none is open.
    virtual com::HRESULT get_ActiveDocument(WordDocument** prop) = 0;

protected:
    ~WordApplication() = default;
};

} // namespace zarta::wordhost
