#include "platform/com/DescribedTypeInfo.h"

#include <new>

namespace zarta::com {

ITypeInfo* DescribedTypeInfo::create(const TypeLibDescription& library,
                                     const TypeLibDescription::Interface& entry) {
    return new (std::nothrow) DescribedTypeInfo(library, entry);
}

HRESULT DescribedTypeInfo::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
        *ppvObject = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG DescribedTypeInfo::AddRef() {
    return ++references_;
}

ULONG DescribedTypeInfo::Release() {
    const ULONG count = --references_;
    if (count == 0) {
        delete this;
    }
    return count;
}

HRESULT DescribedTypeInfo::GetTypeAttr(TYPEATTR** ppTypeAttr) {
    if (ppTypeAttr == nullptr) {
        return E_POINTER;
    }
    auto* attributes = new (std::nothrow) TYPEATTR;
    if (attributes == nullptr) {
        return E_OUTOFMEMORY;
    }
    attributes->guid = entry_.iid;
    attributes->lcid = library_.lcid;
    attributes->typekind = TKIND_DISPATCH;
    attributes->wTypeFlags = static_cast<WORD>(entry_.typeFlags | TYPEFLAG_FDISPATCHABLE);
    attributes->wMajorVerNum = library_.majorVersion;
    attributes->wMinorVerNum = library_.minorVersion;
    // The dispatch view inherits from IDispatch: one implemented type.
    attributes->cImplTypes = 1;
    *ppTypeAttr = attributes;
    return S_OK;
}

HRESULT DescribedTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
    if (rgszNames == nullptr || pMemId == nullptr) {
        return E_INVALIDARG;
    }
    for (UINT i = 0; i < cNames; ++i) {
        pMemId[i] = MEMBERID_NIL;
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT DescribedTypeInfo::Invoke(void*, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT DescribedTypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                            DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
    if (memid != MEMBERID_NIL) {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    if (pBstrName != nullptr) {
        *pBstrName = bstrFromUtf8(entry_.name);
    }
    if (pBstrDocString != nullptr) {
        *pBstrDocString = bstrFromUtf8(entry_.helpString);
    }
    if (pdwHelpContext != nullptr) {
        *pdwHelpContext = 0;
    }
    if (pBstrHelpFile != nullptr) {
        *pBstrHelpFile = nullptr;
    }
    return S_OK;
}

void DescribedTypeInfo::ReleaseTypeAttr(TYPEATTR* pTypeAttr) {
    delete pTypeAttr;
}

} // namespace zarta::com
