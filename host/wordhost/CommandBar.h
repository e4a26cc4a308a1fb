#pragma once

#include "host/wordhost/CommandBarControls.h"
#include "platform/com/IDispatch.h"
#include "platform/com/Variant.h"

namespace zarta::wordhost {

// One command bar, a toolbar of the host (IID_CommandBar). Dual; called on the host's
// user-interface thread.
class CommandBar : public com::IDispatch {
public:
    // The bar's controls; the caller releases the reference.
    virtual com::HRESULT get_Controls(CommandBarControls** prop) = 0;
    virtual com::HRESULT put_Visible(com::VARIANT_BOOL prop) = 0;

protected:
    ~CommandBar() = default;
};

} // namespace zarta::wordhost
