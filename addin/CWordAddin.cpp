#include "addin/CWordAddin.h"

#include <new>

namespace zarta::addin {

CWordAddin::CWordAddin(com::ComModule& module, com::IUnknown* outer)
    : module_(module), inner_(*this), controlling_(outer != nullptr ? outer : &inner_) {
    module_.lock();
}

CWordAddin::~CWordAddin() {
    module_.unlock();
}

com::HRESULT CWordAddin::create(com::ComModule& module, com::IUnknown* outer, com::REFIID riid,
                                void** ppv) {
    if (ppv == nullptr) {
        return com::E_POINTER;
    }
    *ppv = nullptr;
    auto* object = new (std::nothrow) CWordAddin(module, outer);
    if (object == nullptr) {
        return com::E_OUTOFMEMORY;
    }
    object->inner_.AddRef();
    const com::HRESULT hr = object->inner_.QueryInterface(riid, ppv);
    object->inner_.Release();
    return hr;
}

com::HRESULT CWordAddin::queryOwnInterface(com::REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return com::E_POINTER;
    }
    com::IUnknown* found = nullptr;
    if (riid == com::IID_IUnknown) {
        found = &inner_;
    } else if (riid == IID_IWordAddin) {
        found = static_cast<IWordAddin*>(this);
    } else if (riid == com::IID_IDispatch || riid == IID_IDTExtensibility2) {
        found = static_cast<IDTExtensibility2*>(this);
    } else if (riid == com::IID_ISupportErrorInfo) {
        found = static_cast<com::ISupportErrorInfo*>(this);
    }
    *ppvObject = found;
    if (found == nullptr) {
        return com::E_NOINTERFACE;
    }
    found->AddRef();
    return com::S_OK;
}

com::HRESULT CWordAddin::InnerUnknown::QueryInterface(com::REFIID riid, void** ppvObject) {
    return owner_.queryOwnInterface(riid, ppvObject);
}

com::ULONG CWordAddin::InnerUnknown::AddRef() {
    return ++owner_.references_;
}

com::ULONG CWordAddin::InnerUnknown::Release() {
    const com::ULONG count = --owner_.references_;
    if (count == 0) {
        delete &owner_;
    }
    return count;
}

com::HRESULT CWordAddin::QueryInterface(com::REFIID riid, void** ppvObject) {
    return controlling_->QueryInterface(riid, ppvObject);
}

com::ULONG CWordAddin::AddRef() {
    return controlling_->AddRef();
}

com::ULONG CWordAddin::Release() {
    return controlling_->Release();
}

com::HRESULT CWordAddin::InterfaceSupportsErrorInfo(com::REFIID riid) {
    return riid == IID_IWordAddin ? com::S_OK : com::S_FALSE;
}

com::HRESULT CWordAddin::OnConnection(com::IDispatch*, com::LONG, com::IDispatch*,
                                      com::SAFEARRAY**) {
    return com::E_NOTIMPL;
}

com::HRESULT CWordAddin::OnDisconnection(com::LONG, com::SAFEARRAY**) {
    return com::S_OK;
}

com::HRESULT CWordAddin::OnAddInsUpdate(com::SAFEARRAY**) {
    return com::E_NOTIMPL;
}

com::HRESULT CWordAddin::OnStartupComplete(com::SAFEARRAY**) {
    return com::E_NOTIMPL;
}

com::HRESULT CWordAddin::OnBeginShutdown(com::SAFEARRAY**) {
    return com::E_NOTIMPL;
}

} // namespace zarta::addin
