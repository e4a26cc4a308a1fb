#include "platform/com/ComModule.h"

namespace zarta::com {

ComModule::~ComModule() {
    term();
}

void ComModule::init(std::span<const ObjectEntry> objectMap, const GUID& libid) {
    std::lock_guard guard(cacheMutex_);
    objectMap_ = objectMap;
    libid_ = libid;
    classObjects_.assign(objectMap.size(), nullptr);
}

void ComModule::term() {
    std::vector<IUnknown*> released;
    {
        std::lock_guard guard(cacheMutex_);
        released.swap(classObjects_);
        objectMap_ = {};
    }
    // Released outside the guard: a class object's last release may call back into unlock().
    for (IUnknown* classObject : released) {
        if (classObject != nullptr) {
            classObject->Release();
        }
    }
}

LONG ComModule::lock() {
    return ++locks_;
}

LONG ComModule::unlock() {
    return --locks_;
}

HRESULT ComModule::getClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    std::lock_guard guard(cacheMutex_);
    for (std::size_t i = 0; i < objectMap_.size(); ++i) {
        if (*objectMap_[i].clsid != clsid) {
            continue;
        }
        if (classObjects_[i] == nullptr) {
            if (const HRESULT hr = objectMap_[i].createClassObject(*this, &classObjects_[i]);
                FAILED(hr)) {
                classObjects_[i] = nullptr;
                return hr;
            }
        }
        return classObjects_[i]->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComModule::canUnloadNow() const {
    return locks_.load() == 0 ? S_OK : S_FALSE;
}

} // namespace zarta::com
