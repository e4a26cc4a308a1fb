#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

namespace zarta::com {

// The root of every COM interface, with Windows' method order. Objects are destroyed by their
// last Release, never through this type: the destructor is protected and not virtual, so the
// table of virtual functions holds exactly the three methods.
class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    IUnknown() = default;
    IUnknown(const IUnknown&) = default;
    IUnknown& operator=(const IUnknown&) = default;
    ~IUnknown() = default;
};

// {00000000-0000-0000-C000-000000000046}
constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

} // namespace zarta::com
