#pragma once

#include "platform/com/IUnknown.h"

namespace zarta::com {

// The class object's interface: makes objects of one class and locks the server.
class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

// {00000001-0000-0000-C000-000000000046}
constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

} // namespace zarta::com
