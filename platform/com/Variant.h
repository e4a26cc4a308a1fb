#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/HResult.h"

namespace zarta::com {

class IDispatch;
class IUnknown;
struct SAFEARRAY;

using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// The variant types the add-in's calls use, with Windows' numbers.
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_DISPATCH = 9;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_UNKNOWN = 13;
constexpr VARTYPE VT_ARRAY = 0x2000;
constexpr VARTYPE VT_BYREF = 0x4000;

// A tagged value of one of the types above. `vt` says which member holds it; VT_BYREF | type
// holds a pointer to a value the caller keeps.
struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    WORD wReserved1 = 0;
    WORD wReserved2 = 0;
    WORD wReserved3 = 0;
    union {
        LONG lVal;
        SHORT iVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        VARIANT_BOOL* pboolVal;
        void* byref;
    };
};

using VARIANTARG = VARIANT;

// Makes the variant empty without looking at what it held.
void VariantInit(VARIANT* variant);
// Frees what the variant owns (a BSTR, a reference on an interface) and makes it empty;
// values held by reference belong to someone else and are left alone. E_POINTER for null.
HRESULT VariantClear(VARIANT* variant);

// Arguments as Automation calls pass them. The caller owns the result and clears it.
VARIANT variantFromLong(LONG value);   // VT_I4
VARIANT variantFromShort(SHORT value); // VT_I2; the office suite takes true as VT_I2 -1
VARIANT variantFromBstr(BSTR text);    // VT_BSTR, taking over `text`
// An omitted optional argument: VT_ERROR holding DISP_E_PARAMNOTFOUND.
VARIANT variantMissing();

} // namespace zarta::com
