#pragma once

#include "platform/com/IUnknown.h"

namespace zarta::com {

class IConnectionPointContainer;
class IEnumConnections;

// One outgoing interface of an object, to which event sinks are advised; Windows' method
// order. The enumeration interface is only named: nothing here enumerates connections.
class IConnectionPoint : public IUnknown {
public:
    virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
    virtual HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
    virtual HRESULT Unadvise(DWORD dwCookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;

protected:
    ~IConnectionPoint() = default;
};

// {B196B286-BAB4-101A-B69C-00AA00341D07}
constexpr IID IID_IConnectionPoint{
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

} // namespace zarta::com
