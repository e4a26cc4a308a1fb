#include "platform/com/Variant.h"

#include "platform/com/IDispatch.h"

namespace zarta::com {

void VariantInit(VARIANT* variant) {
    variant->vt = VT_EMPTY;
    variant->wReserved1 = variant->wReserved2 = variant->wReserved3 = 0;
    variant->byref = nullptr;
}

HRESULT VariantClear(VARIANT* variant) {
    if (variant == nullptr) {
        return E_POINTER;
    }
    switch (variant->vt) {
    case VT_BSTR:
        SysFreeString(variant->bstrVal);
        break;
    case VT_DISPATCH:
        if (variant->pdispVal != nullptr) {
            variant->pdispVal->Release();
        }
        break;
    case VT_UNKNOWN:
        if (variant->punkVal != nullptr) {
            variant->punkVal->Release();
        }
        break;
    default:
        break;
    }
    VariantInit(variant);
    return S_OK;
}

VARIANT variantFromLong(LONG value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_I4;
    variant.lVal = value;
    return variant;
}

VARIANT variantFromShort(SHORT value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_I2;
    variant.iVal = value;
    return variant;
}

VARIANT variantFromBstr(BSTR text) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = text;
    return variant;
}

VARIANT variantMissing() {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_ERROR;
    variant.scode = DISP_E_PARAMNOTFOUND;
    return variant;
}

} // namespace zarta::com
