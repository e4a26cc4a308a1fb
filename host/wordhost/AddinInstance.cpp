#include "host/wordhost/AddinInstance.h"

#include "platform/com/HResult.h"

namespace zarta::wordhost {

com::ComPtr<com::IDispatch> AddinInstance::create(std::string progId) {
    return com::ComPtr<com::IDispatch>::adopt(new AddinInstance(std::move(progId)));
}

com::HRESULT AddinInstance::QueryInterface(com::REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return com::E_POINTER;
    }
    if (riid == com::IID_IUnknown || riid == com::IID_IDispatch) {
        *ppvObject = static_cast<com::IDispatch*>(this);
        AddRef();
        return com::S_OK;
    }
    *ppvObject = nullptr;
    return com::E_NOINTERFACE;
}

com::ULONG AddinInstance::AddRef() {
    return ++references_;
}

com::ULONG AddinInstance::Release() {
    const com::ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

com::HRESULT AddinInstance::GetTypeInfoCount(com::UINT* pctinfo) {
    if (pctinfo == nullptr) {
        return com::E_POINTER;
    }
    *pctinfo = 0;
    return com::S_OK;
}

com::HRESULT AddinInstance::GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) {
        *ppTInfo = nullptr;
    }
    return com::E_NOTIMPL;
}

com::HRESULT AddinInstance::GetIDsOfNames(com::REFIID, com::LPOLESTR*, com::UINT, com::LCID,
                                          com::DISPID*) {
    return com::DISP_E_UNKNOWNNAME;
}

com::HRESULT AddinInstance::Invoke(com::DISPID, com::REFIID, com::LCID, com::WORD, com::DISPPARAMS*,
                                   com::VARIANT*, com::EXCEPINFO*, com::UINT*) {
    return com::DISP_E_MEMBERNOTFOUND;
}

} // namespace zarta::wordhost
