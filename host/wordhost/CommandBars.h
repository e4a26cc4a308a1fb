#pragma once

#include "host/wordhost/CommandBar.h"
#include "platform/com/IDispatch.h"
#include "platform/com/Variant.h"

namespace zarta::wordhost {

// The host's command bars (IID_CommandBars). Dual; called on the host's user-interface thread.
class CommandBars : public com::IDispatch {
public:
    // Adds a new bar, even when one of that name exists, and hands back a reference to it. Every
    // argument may be omitted (VT_ERROR with DISP_E_PARAMNOTFOUND): `Name` (VT_BSTR),
    // `Position` (VT_I4, msoBarTop), `MenuBar` and `Temporary` (VT_I2 or VT_BOOL, true: gone
    // when the host closes). The variants stay the caller's.
    virtual com::HRESULT Add(com::VARIANT Name, com::VARIANT Position, com::VARIANT MenuBar,
                             com::VARIANT Temporary, CommandBar** prop) = 0;

protected:
    ~CommandBars() = default;
};

} // namespace zarta::wordhost
