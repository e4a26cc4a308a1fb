#include "platform/com/ClassFactory.h"

#include <new>

namespace zarta::com {

HRESULT ClassFactory::create(ComModule& module, Creator creator, IUnknown** classObject) {
    auto* factory = new (std::nothrow) ClassFactory(module, creator);
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    *classObject = factory;
    return S_OK;
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppvObject = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() {
    const ULONG count = ++references_;
    if (count == 2) {
        module_.lock();
    }
    return count;
}

ULONG ClassFactory::Release() {
    const ULONG count = --references_;
    if (count == 1) {
        module_.unlock();
    } else if (count == 0) {
        delete this;
    }
    return count;
}

HRESULT ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr && riid != IID_IUnknown) {
        return CLASS_E_NOAGGREGATION;
    }
    return creator_(module_, pUnkOuter, riid, ppvObject);
}

HRESULT ClassFactory::LockServer(BOOL fLock) {
    if (fLock) {
        module_.lock();
    } else {
        module_.unlock();
    }
    return S_OK;
}

} // namespace zarta::com
