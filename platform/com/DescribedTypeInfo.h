#pragma once

#include "platform/com/ITypeInfo.h"
#include "platform/com/TypeLibDescription.h"

#include <atomic>

namespace zarta::com {

// The type information of one interface of a TypeLibDescription, in its dispatch view (the
// view IDispatch::GetTypeInfo hands out for a dual interface). The description lists no
// members, so no name is known and no member can be invoked: GetIDsOfNames answers
// DISP_E_UNKNOWNNAME and Invoke DISP_E_MEMBERNOTFOUND. The description must outlive the
// object. Reference counting is atomic.
class DescribedTypeInfo final : public ITypeInfo {
public:
    // A new object with one reference, or null when out of memory.
    static ITypeInfo* create(const TypeLibDescription& library,
                             const TypeLibDescription::Interface& entry);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
    HRESULT Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
    // For MEMBERID_NIL: the interface's name and help text; no help context or file.
    HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                             DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
    void ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;

private:
    DescribedTypeInfo(const TypeLibDescription& library, const TypeLibDescription::Interface& entry)
        : library_(library), entry_(entry) {}
    ~DescribedTypeInfo() = default;

    const TypeLibDescription& library_;
    const TypeLibDescription::Interface& entry_;
    std::atomic<ULONG> references_{1};
};

} // namespace zarta::com
