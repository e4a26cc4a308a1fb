#pragma once

#include "platform/com/ComModule.h"
#include "platform/com/IClassFactory.h"

#include <atomic>

namespace zarta::com {

// The class object of one creatable class, kept by the module for its whole lifetime.
//
// The module's own reference does not lock the module; every further reference does, so that
// DllCanUnloadNow answers S_FALSE while a caller still holds the class object, as it does while
// a caller holds an object it made or has locked the server. Reference counting and
// LockServer are safe from any thread.
class ClassFactory final : public IClassFactory {
public:
    // Makes an object of the class: with `outer` the aggregatable form, whose inner unknown is
    // queried for `riid` (always IID_IUnknown here). An object whose query fails is destroyed
    // again and the query's result returned.
    using Creator = HRESULT (*)(ComModule& module, IUnknown* outer, REFIID riid, void** ppv);

    // Makes the class object with the module's reference.
    static HRESULT create(ComModule& module, Creator creator, IUnknown** classObject);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // E_POINTER for a null `ppvObject`; CLASS_E_NOAGGREGATION when `pUnkOuter` is given with an
    // `riid` other than IID_IUnknown; otherwise what the creator gives.
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;

private:
    ClassFactory(ComModule& module, Creator creator) : module_(module), creator_(creator) {}
    ~ClassFactory() = default;

    ComModule& module_;
    Creator creator_;
    std::atomic<ULONG> references_{1};
};

} // namespace zarta::com
