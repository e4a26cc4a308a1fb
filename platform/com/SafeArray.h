#pragma once

#include "platform/com/ComTypes.h"

namespace zarta::com {

struct SAFEARRAYBOUND {
    ULONG cElements = 0;
    LONG lLbound = 0;
};

// The descriptor of an Automation array, as far as the add-in interface's `custom` argument
// needs it: the add-in receives it by reference and never reads it, so only the layout is
// declared.
struct SAFEARRAY {
    USHORT cDims = 0;
    USHORT fFeatures = 0;
    ULONG cbElements = 0;
    ULONG cLocks = 0;
    void* pvData = nullptr;
    SAFEARRAYBOUND rgsabound[1];
};

} // namespace zarta::com
