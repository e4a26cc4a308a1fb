#pragma once

#include "platform/com/DispParams.h"
#include "platform/com/IUnknown.h"

namespace zarta::com {

using MEMBERID = DISPID;

enum TYPEKIND : std::int32_t {
    TKIND_ENUM = 0,
    TKIND_RECORD = 1,
    TKIND_MODULE = 2,
    TKIND_INTERFACE = 3,
    TKIND_DISPATCH = 4,
    TKIND_COCLASS = 5,
};

// Type flags with Windows' values.
constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
constexpr WORD TYPEFLAG_FDUAL = 0x40;
constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

// The attributes of one type, as far as a caller of this program reads them.
struct TYPEATTR {
    GUID guid;
    LCID lcid = 0;
    TYPEKIND typekind = TKIND_INTERFACE;
    WORD cFuncs = 0;
    WORD cVars = 0;
    WORD cImplTypes = 0;
    WORD wTypeFlags = 0;
    WORD wMajorVerNum = 0;
    WORD wMinorVerNum = 0;
};

// The description of one type from a type library. Only the members an IDispatch served from
// a type library needs are declared, in the relative order Windows gives them; a TYPEATTR from
// GetTypeAttr is handed back with ReleaseTypeAttr.
class ITypeInfo : public IUnknown {
public:
    virtual HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) = 0;
    virtual HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) = 0;
    virtual HRESULT Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
    virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                     DWORD* pdwHelpContext, BSTR* pBstrHelpFile) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* pTypeAttr) = 0;

protected:
    ~ITypeInfo() = default;
};

// {00020401-0000-0000-C000-000000000046}
constexpr IID IID_ITypeInfo{0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

} // namespace zarta::com
