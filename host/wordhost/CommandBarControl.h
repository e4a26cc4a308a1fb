#pragma once

#include "host/wordhost/WordHostIds.h"
#include "platform/com/Bstr.h"
#include "platform/com/IDispatch.h"
#include "platform/com/Variant.h"

namespace zarta::wordhost {

// One control on a command bar (IID_CommandBarControl), with the properties every kind of
// control has. Dual; called on the host's user-interface thread. Texts are the caller's: the
// host copies what it keeps.
class CommandBarControl : public com::IDispatch {
public:
    virtual com::HRESULT put_Visible(com::VARIANT_BOOL prop) = 0;
    virtual com::HRESULT put_Caption(com::BSTR prop) = 0;
    virtual com::HRESULT put_Enabled(com::VARIANT_BOOL prop) = 0;
    virtual com::HRESULT put_TooltipText(com::BSTR prop) = 0;
    virtual com::HRESULT put_Tag(com::BSTR prop) = 0;

protected:
    ~CommandBarControl() = default;
};

} // namespace zarta::wordhost
