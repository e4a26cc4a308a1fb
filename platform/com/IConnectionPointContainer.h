#pragma once

#include "platform/com/IConnectionPoint.h"

namespace zarta::com {

class IEnumConnectionPoints;

// An object with outgoing interfaces; Windows' method order. The enumeration interface is only
// named: nothing here enumerates connection points.
class IConnectionPointContainer : public IUnknown {
public:
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

// {B196B284-BAB4-101A-B69C-00AA00341D07}
constexpr IID IID_IConnectionPointContainer{
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

} // namespace zarta::com
