#pragma once

#include "platform/com/DispParams.h"
#include "platform/com/IUnknown.h"

namespace zarta::com {

class ITypeInfo;

// Late-bound calls by member number, with Windows' method order.
class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                  DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                           UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};

// {00020400-0000-0000-C000-000000000046}
constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

} // namespace zarta::com
