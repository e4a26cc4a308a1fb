#pragma once

#include "host/wordhost/CommandBarControl.h"

namespace zarta::wordhost {

// A button on a command bar (IID_CommandBarButton). The object also answers
// IConnectionPointContainer, with a connection point for DIID_CommandBarButtonEvents whose
// sinks the host invokes on a click. Dual; called on the host's user-interface thread.
class CommandBarButton : public CommandBarControl {
public:
    // msoButtonIconAndCaption and the office suite's other button styles.
    virtual com::HRESULT put_Style(com::LONG prop) = 0;
    // Makes the picture on the desktop's clipboard the button's face, read at the time of the
    // call. Fails when the clipboard holds no picture.
    virtual com::HRESULT PasteFace() = 0;

protected:
    ~CommandBarButton() = default;
};

} // namespace zarta::wordhost
