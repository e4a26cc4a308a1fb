#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"

namespace zarta::com {

// The arguments of one IDispatch::Invoke. `rgvarg` holds them last to first, as COM passes
// them: rgvarg[0] is the last argument. Named arguments come first in that array, with their
// identifiers in `rgdispidNamedArgs`.
struct DISPPARAMS {
    VARIANTARG* rgvarg = nullptr;
    DISPID* rgdispidNamedArgs = nullptr;
    UINT cArgs = 0;
    UINT cNamedArgs = 0;
};

// What a failed Invoke reports when it returns DISP_E_EXCEPTION.
struct EXCEPINFO {
    WORD wCode = 0;
    WORD wReserved = 0;
    BSTR bstrSource = nullptr;
    BSTR bstrDescription = nullptr;
    BSTR bstrHelpFile = nullptr;
    DWORD dwHelpContext = 0;
    void* pvReserved = nullptr;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
    SCODE scode = 0;
};

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr DISPID MEMBERID_NIL = DISPID_UNKNOWN;

constexpr WORD DISPATCH_METHOD = 1;
constexpr WORD DISPATCH_PROPERTYGET = 2;
constexpr WORD DISPATCH_PROPERTYPUT = 4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 8;

} // namespace zarta::com
