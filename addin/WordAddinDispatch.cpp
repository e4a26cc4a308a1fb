#include "addin/WordAddinDispatch.h"

#include "addin/PlovraTypeLib.h"
#include "platform/com/ComPtr.h"
#include "platform/com/DescribedTypeInfo.h"

namespace zarta::addin {

namespace {

com::ITypeInfo* wordAddinTypeInfo() {
    const com::TypeLibDescription& library = plovraTypeLib();
    return com::DescribedTypeInfo::create(library, library.interfaces.front());
}

} // namespace

com::HRESULT WordAddinDispatch::GetTypeInfoCount(com::UINT* pctinfo) {
    if (pctinfo == nullptr) {
        return com::E_POINTER;
    }
    *pctinfo = 1;
    return com::S_OK;
}

com::HRESULT WordAddinDispatch::GetTypeInfo(com::UINT iTInfo, com::LCID, com::ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) {
        return com::E_POINTER;
    }
    *ppTInfo = nullptr;
    if (iTInfo != 0) {
        return com::DISP_E_BADINDEX;
    }
    *ppTInfo = wordAddinTypeInfo();
    return *ppTInfo != nullptr ? com::S_OK : com::E_OUTOFMEMORY;
}

com::HRESULT WordAddinDispatch::GetIDsOfNames(com::REFIID riid, com::LPOLESTR* rgszNames,
                                              com::UINT cNames, com::LCID, com::DISPID* rgDispId) {
    if (riid != com::GUID_NULL) {
        return com::DISP_E_UNKNOWNINTERFACE;
    }
    auto typeInfo = com::ComPtr<com::ITypeInfo>::adopt(wordAddinTypeInfo());
    if (!typeInfo) {
        return com::E_OUTOFMEMORY;
    }
    return typeInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

com::HRESULT WordAddinDispatch::Invoke(com::DISPID dispIdMember, com::REFIID riid, com::LCID,
                                       com::WORD wFlags, com::DISPPARAMS* pDispParams,
                                       com::VARIANT* pVarResult, com::EXCEPINFO* pExcepInfo,
                                       com::UINT* puArgErr) {
    if (riid != com::GUID_NULL) {
        return com::DISP_E_UNKNOWNINTERFACE;
    }
    auto typeInfo = com::ComPtr<com::ITypeInfo>::adopt(wordAddinTypeInfo());
    if (!typeInfo) {
        return com::E_OUTOFMEMORY;
    }
    return typeInfo->Invoke(static_cast<IWordAddin*>(this), dispIdMember, wFlags, pDispParams,
                            pVarResult, pExcepInfo, puArgErr);
}

} // namespace zarta::addin
