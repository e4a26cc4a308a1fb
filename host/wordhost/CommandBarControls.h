#pragma once

#include "host/wordhost/CommandBarControl.h"
#include "platform/com/IDispatch.h"
#include "platform/com/Variant.h"

namespace zarta::wordhost {

// The controls of one command bar (IID_CommandBarControls). Dual; called on the host's
// user-interface thread.
class CommandBarControls : public com::IDispatch {
public:
    // Adds a control at the end of the bar and hands back a reference to it. Every argument may
    // be omitted (VT_ERROR with DISP_E_PARAMNOTFOUND): `Type` (VT_I4, msoControlButton), `Id`
    // (the built-in control to copy), `Parameter`, `Before` (VT_I4, a position) and `Temporary`
    // (VT_I2 or VT_BOOL, true: gone when the host closes). The variants stay the caller's.
    virtual com::HRESULT Add(com::VARIANT Type, com::VARIANT Id, com::VARIANT Parameter,
                             com::VARIANT Before, com::VARIANT Temporary,
                             CommandBarControl** prop) = 0;

protected:
    ~CommandBarControls() = default;
};

} // namespace zarta::wordhost
