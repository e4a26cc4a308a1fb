#pragma once

#include "host/wordhost/WordHostIds.h"
#include "platform/com/IDispatch.h"

namespace zarta::wordhost {

// A window of the word processor showing a document (IID_WordWindow), as far as an add-in reads
// it. Dual; called on the host's user-interface thread.
class WordWindow : public com::IDispatch {
public:
    // The window's handle on the desktop: on X11 the id of the window's top-level X window, 0
    // when the host cannot tell (another display system). An add-in's own windows use it to
    // stay above the window they were opened from.
    virtual com::HRESULT get_Hwnd(com::LONG* prop) = 0;

protected:
    ~WordWindow() = default;
};

} // namespace zarta::wordhost
